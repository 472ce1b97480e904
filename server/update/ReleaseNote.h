#pragma once

#include <QDate>
#include <QDebug>
#include <QMetaType>
#include <QString>
#include <QVariantList>

namespace tessivar::update {

// One change of a version, as the release notes page shows it.
struct ReleaseNote_t {
    Q_GADGET
    Q_PROPERTY(bool BugFix MEMBER BugFix)
    Q_PROPERTY(QString Note MEMBER Note)

public:
    bool BugFix = false; // a fix rather than a new feature
    QString Note;

    bool operator==(const ReleaseNote_t& other) const { return BugFix == other.BugFix && Note == other.Note; }
};

// Everything one version brought, in the order of the notes file.
struct ApplicationReleaseInformation_t {
    Q_GADGET
    Q_PROPERTY(QString Version MEMBER Version)
    Q_PROPERTY(QDate Date MEMBER Date)
    Q_PROPERTY(QVariantList Notes MEMBER Notes)

public:
    QString Version;
    QDate Date;
    QVariantList Notes; // of ReleaseNote_t
};

QDebug operator<<(QDebug debug, const ReleaseNote_t& note);
QDebug operator<<(QDebug debug, const ApplicationReleaseInformation_t& information);

} // namespace tessivar::update

Q_DECLARE_METATYPE(tessivar::update::ReleaseNote_t)
Q_DECLARE_METATYPE(tessivar::update::ApplicationReleaseInformation_t)
