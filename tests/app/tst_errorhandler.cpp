#include "app/ErrorHandler.h"

#include <QTest>

using namespace tessivar;
using ui::ErrorAction_e;

// What the error popup receives for each report.
class TestErrorHandler : public QObject
{
    Q_OBJECT

private:
    ui::ErrorWidget m_widget;

    QString description() const { return m_widget.property("errorDescription").toString(); }

private Q_SLOTS:
    void init() { m_widget.setVisible(false); }

    void unknownCodeShowsUnknownError()
    {
        ErrorHandler handler(&m_widget);
        handler.report(7, nullptr);
        QVERIFY(m_widget.isVisible());
        QCOMPARE(m_widget.property("errorTitle").toString(), QStringLiteral("Unknown error"));
        QCOMPARE(m_widget.property("errorCode").toInt(), 0);
        QVERIFY(m_widget.property("errorActions").toList().isEmpty());
    }

    void argumentsFillPlaceholdersInOrder()
    {
        ErrorHandler handler(&m_widget);
        handler.report(ErrorHandler::VersionError, nullptr, QStringLiteral("1.2.0"), QStringLiteral("1.5.1"));
        QCOMPARE(description(), QStringLiteral("Remote device version 1.2.0 is not compatible with current software "
                                               "1.5.1.\nPlease update both software to latest version."));
        handler.report(ErrorHandler::NetworkError, nullptr, QStringLiteral("Port 20948 is already in use"));
        QVERIFY(description().endsWith(QStringLiteral("Details: 'Port 20948 is already in use'.")));
        QCOMPARE(m_widget.property("errorCode").toInt(), 1);
        QCOMPARE(m_widget.property("errorActionDescriptions").toStringList(), QStringList{QStringLiteral("Change settings")});
        QCOMPARE(m_widget.property("errorActions").toList(), QVariantList{1});
    }

    void actionsReachTheLatestCallback()
    {
        ErrorHandler handler(&m_widget);
        QList<ErrorAction_e> first;
        QList<ErrorAction_e> second;
        handler.report(ErrorHandler::SettingsError, [&](ErrorAction_e action) { first.append(action); });
        handler.report(ErrorHandler::NetworkError, [&](ErrorAction_e action) { second.append(action); }, QStringLiteral("x"));
        QCOMPARE(m_widget.property("errorTitle").toString(), QStringLiteral("Network error"));
        QVERIFY(QMetaObject::invokeMethod(&m_widget, "selectAction", Q_ARG(tessivar::ui::ErrorAction_e, ErrorAction_e::ChangeSettings)));
        QVERIFY(first.isEmpty());
        QCOMPARE(second, QList<ErrorAction_e>{ErrorAction_e::ChangeSettings});
        QVERIFY(!m_widget.isVisible());

        handler.report(ErrorHandler::SettingsError, [&](ErrorAction_e action) { first.append(action); });
        m_widget.closeWindow();
        QCOMPARE(first, QList<ErrorAction_e>{ErrorAction_e::Ok});
        m_widget.closeWindow(); // the callback went with the error it belonged to
        QCOMPARE(first.size(), 1);
    }

    void withoutWidgetNothingBreaks()
    {
        ErrorHandler handler(nullptr);
        handler.report(ErrorHandler::InvalidModule, nullptr);
    }
};

QTEST_MAIN(TestErrorHandler)
#include "tst_errorhandler.moc"
