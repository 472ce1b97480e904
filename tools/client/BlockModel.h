#pragma once

#include <QAbstractListModel>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <vector>

namespace tessivar::client {

// The blocks this client holds, in the cells of the profiles' grids, as QML draws them.
// The layout (which blocks, their class, profile, cell and stacking) is kept in one JSON
// file written atomically at every change, so that a kill loses nothing.
class BlockModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int columns READ columns CONSTANT)
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    Q_PROPERTY(QStringList profiles READ profiles NOTIFY profilesChanged)
public:
    static constexpr int kColumns = 4;
    // A dashboard holds tens of blocks; a layout file listing more is cut there.
    static constexpr int kMaximumBlocks = 1000;
    // The layout file is a few kilobytes; a larger one is not ours.
    // The layout file holds the blocks' parameters, icons included; a larger one is not ours.
    static constexpr qint64 kMaximumLayoutSize = 32 * 1024 * 1024;
    // Rows a dashboard may reach; cells further down are brought back to it.
    static constexpr int kMaximumRows = 1000;
    // A block spans at most this many rows.
    static constexpr int kMaximumHeight = 100;
    // Tabs a user keeps; names are short.
    static constexpr int kMaximumProfiles = 64;
    static constexpr int kMaximumProfileNameLength = 64;
    static inline const QString kDefaultProfile = QStringLiteral("Dashboard");

    struct Block {
        quint32 id = 0;
        QString dataClass;
        QString profile;
        QRect cell{0, 0, 1, 1};
        int z = 0;
        QVariantMap parameters;
        QVariantMap data;
        QUrl widgetUrl;
    };

    enum Role {
        IdRole = Qt::UserRole + 1,
        DataClassRole,
        ProfileRole,
        CellRole,
        ZRole,
        ParametersRole,
        DataRole,
        WidgetUrlRole,
        TitleRole,
        TitleColorRole,
        BackgroundColorRole,
    };

    explicit BlockModel(const QString& layoutFile, QObject* parent = nullptr);

    int columns() const { return kColumns; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Reads the layout file; false with a logged reason when it is unreadable or damaged
    // (the file is then left as it is, not overwritten by an empty layout).
    bool load();
    QString layoutFile() const;

    const std::vector<Block>& blocks() const;
    const Block* find(quint32 id) const;
    QList<quint32> ids() const;
    // A new block in the first free cell of the profile.
    bool add(quint32 id, const QString& dataClass, const QString& profile, const QVariantMap& parameters,
             const QVariantMap& data);
    bool addAt(const Block& block);
    void remove(quint32 id);
    void updateParameters(quint32 id, const QVariantMap& parameters);
    void updateData(quint32 id, const QVariantMap& data);
    // Places the block at that cell and size, kept inside the grid; false if unknown.
    Q_INVOKABLE bool moveBlock(quint32 id, int column, int row, int width, int height);
    // New profiles get unique, non-empty names; false when refused (logged).
    Q_INVOKABLE bool addProfile(const QString& name);
    Q_INVOKABLE bool renameProfile(const QString& name, const QString& newName);
    void setWidgetUrl(const QString& dataClass, const QUrl& url);
    QRect firstFreeCell(const QString& profile) const;
    QStringList profiles() const;
    Q_INVOKABLE int countOn(const QString& profile) const;
    // The grid units of a geometry that came from elsewhere (an import), kept inside the grid.
    static QRect cellOf(const QRectF& geometry);

Q_SIGNALS:
    void countChanged();
    void profilesChanged();

private:
    int rowOf(quint32 id) const;
    bool save() const;

    QString m_layoutFile;
    bool isValidNewProfileName(const QString& name) const;

    std::vector<Block> m_blocks;
    QStringList m_profiles{kDefaultProfile};
};

} // namespace tessivar::client
