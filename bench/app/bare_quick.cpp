// Baseline: the least a Qt Quick program does to show a window, then it reports ready.
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData("import QtQuick\nimport QtQuick.Window\nWindow { width: 1200; height: 800; visible: true }");
    if (engine.rootObjects().isEmpty())
        return 1;
    QTextStream(stdout) << "ready" << Qt::endl;
    return application.exec();
}
