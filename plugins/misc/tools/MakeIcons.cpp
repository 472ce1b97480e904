// Draws the misc plugin's icons: one 64-pixel set, one stroke width, one palette.
// Run: tessivar_misc_icons <plugins/misc folder>; the PNGs are committed.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace {

constexpr int kSize = 64;
constexpr qreal kStroke = 4.0;
const QColor kInk(0x37, 0x41, 0x51);
const QColor kWhite(Qt::white);

using Draw = std::function<void(QPainter&)>;

void save(const QString& path, const Draw& draw)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    image.save(path, "PNG");
}

QPen pen(const QColor& color, qreal width = kStroke)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Module icons: a rounded tile in the module's colour with a white glyph.
Draw tile(const QColor& color, const Draw& glyph)
{
    return [color, glyph](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
        p.setPen(pen(kWhite));
        p.setBrush(Qt::NoBrush);
        glyph(p);
    };
}

void clockGlyph(QPainter& p)
{
    p.drawEllipse(QPointF(32, 32), 18, 18);
    p.drawLine(QPointF(32, 32), QPointF(32, 21));
    p.drawLine(QPointF(32, 32), QPointF(40, 36));
}

void textGlyph(QPainter& p)
{
    p.drawLine(QPointF(18, 18), QPointF(46, 18));
    p.drawLine(QPointF(32, 18), QPointF(32, 46));
    p.drawLine(QPointF(26, 46), QPointF(38, 46));
}

void shortcutGlyph(QPainter& p)
{
    QPainterPath box;
    box.moveTo(30, 16);
    box.lineTo(18, 16);
    box.lineTo(18, 46);
    box.lineTo(48, 46);
    box.lineTo(48, 34);
    p.drawPath(box);
    p.drawLine(QPointF(30, 34), QPointF(48, 16));
    p.drawLine(QPointF(36, 16), QPointF(48, 16));
    p.drawLine(QPointF(48, 16), QPointF(48, 28));
}

void macroGlyph(QPainter& p)
{
    p.drawRoundedRect(QRectF(12, 20, 40, 26), 4, 4);
    for (int x = 20; x <= 44; x += 8)
        p.drawPoint(QPointF(x, 29));
    p.drawLine(QPointF(22, 38), QPointF(42, 38));
}

void globeGlyph(QPainter& p)
{
    p.drawEllipse(QPointF(32, 32), 18, 18);
    p.drawEllipse(QPointF(32, 32), 8, 18);
    p.drawLine(QPointF(14, 32), QPointF(50, 32));
}

void statusGlyph(QPainter& p)
{
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(32, 36), 5, 5);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(20, 24, 24, 24), 45 * 16, 90 * 16);
    p.drawArc(QRectF(12, 16, 40, 40), 45 * 16, 90 * 16);
}

void pluginGlyph(QPainter& p)
{
    p.setBrush(kWhite);
    p.setPen(Qt::NoPen);
    for (int x : {17, 35})
        for (int y : {17, 35})
            p.drawRoundedRect(QRectF(x, y, 12, 12), 3, 3);
}

// Small action icons: ink strokes on transparent.
void folder(QPainter& p)
{
    p.setPen(pen(kInk));
    QPainterPath path;
    path.moveTo(8, 18);
    path.lineTo(8, 50);
    path.lineTo(56, 50);
    path.lineTo(56, 22);
    path.lineTo(30, 22);
    path.lineTo(25, 14);
    path.lineTo(8, 14);
    path.closeSubpath();
    p.drawPath(path);
}

void plus(QPainter& p)
{
    p.setPen(pen(kInk, 6));
    p.drawLine(QPointF(32, 14), QPointF(32, 50));
    p.drawLine(QPointF(14, 32), QPointF(50, 32));
}

void minus(QPainter& p)
{
    p.setPen(pen(kInk, 6));
    p.drawLine(QPointF(14, 32), QPointF(50, 32));
}

void keyCap(QPainter& p, bool down)
{
    p.setPen(pen(kInk));
    p.drawRoundedRect(QRectF(10, 10, 44, 44), 8, 8);
    const qreal tip = down ? 42 : 22;
    const qreal tail = down ? 22 : 42;
    p.drawLine(QPointF(32, tail), QPointF(32, tip));
    p.drawLine(QPointF(24, down ? 34 : 30), QPointF(32, tip));
    p.drawLine(QPointF(40, down ? 34 : 30), QPointF(32, tip));
}

void missingImage(QPainter& p)
{
    p.setPen(pen(QColor(0x9c, 0xa3, 0xaf)));
    p.setBrush(QColor(0xf3, 0xf4, 0xf6));
    p.drawRoundedRect(QRectF(8, 12, 48, 40), 6, 6);
    p.setBrush(Qt::NoBrush);
    QPainterPath hills;
    hills.moveTo(14, 44);
    hills.lineTo(26, 30);
    hills.lineTo(34, 38);
    hills.lineTo(40, 32);
    hills.lineTo(50, 44);
    p.drawPath(hills);
    p.drawEllipse(QPointF(42, 22), 4, 4);
}

void stateDisc(QPainter& p, const QColor& color, bool connected)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(32, 32), 28, 28);
    p.setPen(pen(kWhite, 6));
    if (connected) {
        p.drawLine(QPointF(20, 33), QPointF(28, 41));
        p.drawLine(QPointF(28, 41), QPointF(44, 23));
    } else {
        p.drawLine(QPointF(22, 22), QPointF(42, 42));
        p.drawLine(QPointF(42, 22), QPointF(22, 42));
    }
}

void reset(QPainter& p)
{
    p.setPen(pen(kInk));
    p.drawArc(QRectF(14, 14, 36, 36), 100 * 16, 290 * 16);
    p.drawLine(QPointF(28, 9), QPointF(35, 14));
    p.drawLine(QPointF(35, 14), QPointF(28, 20));
}

void help(QPainter& p)
{
    p.setPen(pen(kInk));
    p.drawEllipse(QPointF(32, 32), 24, 24);
    QFont font;
    font.setPixelSize(32);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("?"));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString misc = root + QStringLiteral("/resources/");
    const QString status = root + QStringLiteral("/devicestatus/resources/");

    save(misc + "PluginIcon.png", tile(QColor(0x3d, 0x6f, 0xe0), pluginGlyph));
    save(misc + "ClockModule/ModuleIcon.png", tile(QColor(0x0f, 0x76, 0x6e), clockGlyph));
    save(misc + "ClockModule/HelpIcon.png", help);
    save(misc + "TextModule/ModuleIcon.png", tile(QColor(0x6d, 0x28, 0xd9), textGlyph));
    save(misc + "ShortcutModule/ModuleIcon.png", tile(QColor(0xc2, 0x41, 0x0c), shortcutGlyph));
    save(misc + "MacroModule/ModuleIcon.png", tile(QColor(0xb9, 0x1c, 0x1c), macroGlyph));
    save(misc + "OpenWebPageModule/ModuleIcon.png", tile(QColor(0x1d, 0x4e, 0xd8), globeGlyph));
    save(status + "ModuleIcon.png", tile(QColor(0x15, 0x80, 0x3d), statusGlyph));
    for (const char* module : {"ShortcutModule", "MacroModule", "OpenWebPageModule"}) {
        save(misc + module + "/icon-missing_image.png", missingImage);
        save(misc + module + "/icon-folder.png", folder);
    }
    save(misc + "ShortcutModule/icon-add.png", plus);
    save(misc + "ShortcutModule/icon-remove.png", minus);
    save(misc + "MacroModule/icon-key_press.png", [](QPainter& p) { keyCap(p, true); });
    save(misc + "MacroModule/icon-key_release.png", [](QPainter& p) { keyCap(p, false); });
    save(misc + "MacroModule/icon-record_start.png", [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xdc, 0x26, 0x26));
        p.drawEllipse(QPointF(32, 32), 20, 20);
    });
    save(misc + "MacroModule/icon-record_stop.png", [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRoundedRect(QRectF(14, 14, 36, 36), 6, 6);
    });
    save(status + "icon-connected.png", [](QPainter& p) { stateDisc(p, QColor(0x16, 0xa3, 0x4a), true); });
    save(status + "icon-disconnected.png", [](QPainter& p) { stateDisc(p, QColor(0xdc, 0x26, 0x26), false); });
    save(status + "icon-folder.png", folder);
    save(status + "icon-reset.png", reset);
    return 0;
}
