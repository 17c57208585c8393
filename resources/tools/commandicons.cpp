// Pictures of commands: the group tree, the main toolbar, the editor toolbars
// and the sort marks of the note list's header.
#include "images.h"
#include "paintkit.h"

#include <QFont>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

using namespace kit;

namespace {

const QColor kFolder = hex("#f2c14e");
const QColor kCover = hex("#3f6fb5");
const QColor kInk = hex("#263238");
const QColor kGreyLine = hex("#7b8a96");

void notebook(QPainter &p, const QRectF &r)
{
    // Spiral-bound notebook: the root of the group tree and the app's motif.
    box(p, r.left() + 2, r.top(), r.width() - 2, r.height(), kCover, darker(kCover, 0.35));
    box(p, r.right() - 2, r.top() + 1, 1, r.height() - 2, hex("#e8eef7"), hex("#e8eef7"));
    box(p, r.left() + 5, r.top() + 3, r.width() - 9, 4, Qt::white, Qt::white);
    hline(p, r.left() + 6, r.right() - 6, r.top() + 4, hex("#9fb4d6"));
    for (double y = r.top() + 1.5; y < r.bottom() - 1; y += 3) {
        p.fillRect(QRectF(r.left(), y, 4, 1.6), hex("#b0bec5"));
        p.fillRect(QRectF(r.left(), y + 1, 4, 0.6), hex("#607d8b"));
    }
}

QImage treeRoot()
{
    Canvas c(16, 16);
    notebook(c.p(), QRectF(1, 1, 14, 14));
    return c.finish();
}

QImage treeFolder(bool open)
{
    Canvas c(16, 16);
    folder(c.p(), QRectF(1, 2, 14, 12), kFolder, open);
    return c.finish();
}

// --- main toolbar, 16 x 16 (its bar is 22 px high) ---------------------------

const QColor kDatabase = hex("#5b8fd6");

QImage tbNew()
{
    Canvas c(16, 16);
    cylinder(c.p(), QRectF(1, 1, 11, 14), kDatabase);
    // Sparkle: a fresh, empty database file.
    QPainter &p = c.p();
    const QPointF s(12.5, 11.5);
    p.setPen(QPen(darker(hex("#f6a800"), 0.15), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(s + QPointF(-3, 0), s + QPointF(3, 0));
    p.drawLine(s + QPointF(0, -3), s + QPointF(0, 3));
    p.setPen(QPen(hex("#f6a800"), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(s + QPointF(-1.8, -1.8), s + QPointF(1.8, 1.8));
    p.drawLine(s + QPointF(-1.8, 1.8), s + QPointF(1.8, -1.8));
    return c.finish();
}

QImage tbOpen()
{
    // An open folder holding a database, unlike the editor's "open document".
    Canvas c(16, 16);
    folder(c.p(), QRectF(0, 1, 14, 11), kFolder, true);
    cylinder(c.p(), QRectF(9, 7, 7, 9), kDatabase);
    return c.finish();
}

QImage tbBackup()
{
    Canvas c(16, 16);
    cylinder(c.p(), QRectF(1, 0, 10, 13), kDatabase);
    // Circular arrow: a second, safe copy.
    QPainter &p = c.p();
    const QPointF centre(11.5, 11.5);
    disc(p, centre, 4.4, hex("#2e9d46"), darker(hex("#2e9d46"), 0.3));
    QPainterPath arc;
    const QRectF ring(centre.x() - 2.3, centre.y() - 2.3, 4.6, 4.6);
    arc.arcMoveTo(ring, 100);
    arc.arcTo(ring, 100, -260);
    stroke(p, arc, Qt::white, 1.2);
    const QPointF head(10.3, 9.3);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({head + QPointF(-1.8, -1.0), head + QPointF(1.4, -1.2), head + QPointF(-0.2, 1.8)}));
    return c.finish();
}

QImage tbSync()
{
    Canvas c(16, 16);
    cylinder(c.p(), QRectF(1, 0, 10, 13), kDatabase);
    // Two arrows chasing round a blue disc: the notebook kept in step with the place.
    QPainter &p = c.p();
    const QPointF centre(11.5, 11.5);
    disc(p, centre, 4.5, hex("#1e88e5"), darker(hex("#1e88e5"), 0.3));
    const QRectF ring(centre.x() - 2.2, centre.y() - 2.2, 4.4, 4.4);
    for (const double start : {20.0, 200.0}) {
        QPainterPath arc;
        arc.arcMoveTo(ring, start);
        arc.arcTo(ring, start, 110);
        stroke(p, arc, Qt::white, 1.3);
        // The head at the arc's end, pointing on round the ring (counter-clockwise on screen).
        const double a = qDegreesToRadians(start + 110);
        const QPointF tip = centre + QPointF(std::cos(a), -std::sin(a)) * 2.2;
        const QPointF along(-std::sin(a), -std::cos(a));
        const QPointF out(std::cos(a), -std::sin(a));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({tip + along * 1.9, tip + out * 1.6 - along * 0.3, tip - out * 1.6 - along * 0.3}));
    }
    return c.finish();
}

QImage tbGroup(Badge kind)
{
    Canvas c(16, 16);
    folder(c.p(), QRectF(0, 1, 13, 11), kFolder, false);
    badge(c.p(), QPointF(11.5, 11.5), 4.4, kind);
    return c.finish();
}

QImage tbNote(int kind) // 0 add, 1 edit, 2 delete
{
    Canvas c(16, 16);
    page(c.p(), QRectF(1, 0, 11, 14), hex("#5c6f80"), true);
    if (kind == 1)
        pencil(c.p(), QPointF(7.5, 14.5), 10.5, 3.2);
    else
        badge(c.p(), QPointF(11.5, 11.5), 4.4, kind == 0 ? Badge::Plus : Badge::Cross);
    return c.finish();
}

// --- editor toolbars, 16 x 16 ------------------------------------------------

QImage letter(const QString &text, bool bold, bool italic, const QColor &bar)
{
    Canvas c(16, 16);
    QPainter &p = c.p();
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(14);
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, bar.alpha() ? -1.5 : 0, 16, 15), Qt::AlignCenter, text);
    if (bar.alpha()) // an underline is a line; a colour sample needs some body
        p.fillRect(bar == kInk ? QRectF(2, 14, 12, 1) : QRectF(2, 13, 12, 2.5), bar);
    return c.finish();
}

QImage italic()
{
    // Drawn rather than typeset: a font's italic I is a hairline at 16 px.
    Canvas c(16, 16);
    QPainter &p = c.p();
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({QPointF(8.2, 2), QPointF(11.2, 2), QPointF(7.8, 14), QPointF(4.8, 14)}));
    p.drawRect(QRectF(7, 1, 7, 2));
    p.drawRect(QRectF(2, 13, 7, 2));
    return c.finish();
}

QImage align(int how) // 0 left, 1 centre, 2 right
{
    Canvas c(16, 16);
    for (int i = 0; i < 5; ++i) {
        const int len = i % 2 ? 8 : 12;
        const int x = how == 0 ? 2 : how == 1 ? 2 + (12 - len) / 2 : 14 - len;
        hline(c.p(), x, x + len - 1, 2 + i * 3, kInk);
    }
    return c.finish();
}

QImage bullets()
{
    Canvas c(16, 16);
    for (int i = 0; i < 3; ++i) {
        const double y = 3 + i * 5;
        disc(c.p(), QPointF(3, y), 1.6, hex("#1e88e5"), Qt::transparent);
        hline(c.p(), 6, 14, y, kInk);
    }
    return c.finish();
}

QImage edNew()
{
    Canvas c(16, 16);
    page(c.p(), QRectF(2, 1, 12, 14), kGreyLine, false);
    return c.finish();
}

QImage edOpen()
{
    Canvas c(16, 16);
    folder(c.p(), QRectF(0, 2, 16, 12), kFolder, true);
    return c.finish();
}

QImage edCut()
{
    Canvas c(16, 16);
    QPainter &p = c.p();
    p.setPen(QPen(hex("#78909c"), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.2, 9.6), QPointF(11.4, 1.2));
    p.drawLine(QPointF(9.8, 9.6), QPointF(4.6, 1.2));
    p.setPen(QPen(hex("#d32f2f"), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.6, 12.3), 2.3, 2.3);
    p.drawEllipse(QPointF(11.4, 12.3), 2.3, 2.3);
    return c.finish();
}

QImage edCopy()
{
    Canvas c(16, 16);
    page(c.p(), QRectF(1, 1, 9, 11), kGreyLine, true);
    page(c.p(), QRectF(6, 4, 9, 11), hex("#3f6fb5"), true);
    return c.finish();
}

QImage edPaste()
{
    Canvas c(16, 16);
    roundBox(c.p(), QRectF(1, 2, 11, 13), 1.2, hex("#c58b4f"), hex("#7a5230"));
    box(c.p(), 4, 1, 5, 3, hex("#b0bec5"), hex("#546e7a"));
    page(c.p(), QRectF(6, 5, 9, 11), hex("#3f6fb5"), true);
    return c.finish();
}

QImage edPicture()
{
    Canvas c(16, 16);
    QPainter &p = c.p();
    box(p, 0, 2, 16, 12, hex("#bfe3ff"), hex("#5c6f80"));
    disc(p, QPointF(11.5, 5.5), 1.6, hex("#fbc02d"), Qt::transparent);
    QPainterPath hills;
    hills.moveTo(1, 13);
    hills.lineTo(5.5, 7);
    hills.lineTo(8.5, 10.5);
    hills.lineTo(10.5, 8.5);
    hills.lineTo(15, 13);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#43a047"));
    p.drawPath(hills);
    return c.finish();
}

QImage edDate()
{
    Canvas c(16, 16);
    QPainter &p = c.p();
    box(p, 0, 1, 12, 12, Qt::white, kGreyLine);
    box(p, 0, 1, 12, 4, hex("#c62828"), darker(hex("#c62828"), 0.25));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            p.fillRect(QRectF(2 + col * 3, 6.5 + row * 2.5, 2, 1.4), hex("#90a4ae"));
    disc(p, QPointF(11, 11), 4.6, Qt::white, hex("#1e88e5"));
    p.setPen(QPen(kInk, 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(11, 8.2));
    p.drawLine(QPointF(11, 11), QPointF(13, 11.8));
    return c.finish();
}

// --- list header ------------------------------------------------------------

QImage sortMark(bool ascending)
{
    // Hard pixel rows, no antialiasing: a 9 x 5 triangle must stay crisp.
    QImage img(9, 5, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const QColor c = hex("#5f6b77");
    for (int row = 0; row < 5; ++row) {
        const int half = ascending ? row : 4 - row;
        for (int x = 4 - half; x <= 4 + half; ++x)
            img.setPixelColor(x, row, c);
    }
    return img;
}

} // namespace

namespace images {

std::vector<Named> treeImages()
{
    return {{QStringLiteral("tree/root.png"), treeRoot()},
            {QStringLiteral("tree/group.png"), treeFolder(false)},
            {QStringLiteral("tree/group-open.png"), treeFolder(true)}};
}

std::vector<Named> toolbarImages()
{
    return {{QStringLiteral("toolbar/new.png"), tbNew()},
            {QStringLiteral("toolbar/open.png"), tbOpen()},
            {QStringLiteral("toolbar/backup.png"), tbBackup()},
            {QStringLiteral("toolbar/add_group.png"), tbGroup(Badge::Plus)},
            {QStringLiteral("toolbar/delete_group.png"), tbGroup(Badge::Cross)},
            {QStringLiteral("toolbar/add_note.png"), tbNote(0)},
            {QStringLiteral("toolbar/edit_note.png"), tbNote(1)},
            {QStringLiteral("toolbar/del_note.png"), tbNote(2)},
            {QStringLiteral("toolbar/sync.png"), tbSync()}};
}

std::vector<Named> editorImages()
{
    const QColor none = Qt::transparent;
    return {{QStringLiteral("editor/m_new.png"), edNew()},
            {QStringLiteral("editor/m_open.png"), edOpen()},
            {QStringLiteral("editor/m_cut.png"), edCut()},
            {QStringLiteral("editor/m_cpy.png"), edCopy()},
            {QStringLiteral("editor/m_paste.png"), edPaste()},
            {QStringLiteral("editor/m_bold.png"), letter(QStringLiteral("B"), true, false, none)},
            {QStringLiteral("editor/m_italic.png"), italic()},
            {QStringLiteral("editor/m_underline.png"), letter(QStringLiteral("U"), true, false, kInk)},
            {QStringLiteral("editor/m_col.png"), letter(QStringLiteral("A"), true, false, hex("#e53935"))},
            {QStringLiteral("editor/m_left.png"), align(0)},
            {QStringLiteral("editor/m_center.png"), align(1)},
            {QStringLiteral("editor/m_right.png"), align(2)},
            {QStringLiteral("editor/m_bullet.png"), bullets()},
            {QStringLiteral("editor/m_image.png"), edPicture()},
            {QStringLiteral("editor/m_date.png"), edDate()}};
}

std::vector<Named> headerImages()
{
    return {{QStringLiteral("header/sort-asc.png"), sortMark(true)},
            {QStringLiteral("header/sort-desc.png"), sortMark(false)}};
}

} // namespace images
