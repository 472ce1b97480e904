// Renders the desktop icons of the hicolor theme (packaging/linux/icons/<n>x<n>.png)
// from the application's own taskbar icon. Run by hand when the icon changes:
//   cmake --build build --target tessivar_desktop_icons && build/bin/tessivar_desktop_icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    const QString source = QStringLiteral(TESSIVAR_SOURCE_DIR "/server/ui/Images/Icon_taskbar.ico");
    const QString target = QStringLiteral(TESSIVAR_SOURCE_DIR "/packaging/linux/icons");
    QImageReader reader(source);
    const QImage icon = reader.read();
    QTextStream out(stdout);
    if (icon.isNull()) {
        out << "Cannot read " << source << ": " << reader.errorString() << Qt::endl;
        return 1;
    }
    QDir().mkpath(target);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        // The icon is a pixel grid: whole multiples keep its edges sharp, the rest is smoothed.
        const bool wholeMultiple = size >= icon.width() && size % icon.width() == 0;
        const QImage scaled = icon.scaled(size, size, Qt::KeepAspectRatio,
                                          wholeMultiple ? Qt::FastTransformation : Qt::SmoothTransformation);
        const QString path = QStringLiteral("%1/%2x%2.png").arg(target).arg(size);
        if (!scaled.save(path, "PNG")) {
            out << "Cannot write " << path << Qt::endl;
            return 1;
        }
        out << path << Qt::endl;
    }
    return 0;
}
