#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>
#include <cmath>

// Images other parts of the program load by name; each with its size.
struct Expected
{
    const char *path;
    int width, height;
};
static const Expected kImages[] = {
    {"icons/app.png", 64, 64},           {"notes/strip.png", 384, 16},        {"tree/root.png", 16, 16},
    {"tree/group.png", 16, 16},          {"tree/group-open.png", 16, 16},     {"toolbar/new.png", 16, 16},
    {"toolbar/open.png", 16, 16},        {"toolbar/backup.png", 16, 16},      {"toolbar/add_group.png", 16, 16},
    {"toolbar/delete_group.png", 16, 16}, {"toolbar/add_note.png", 16, 16},   {"toolbar/edit_note.png", 16, 16},
    {"toolbar/del_note.png", 16, 16},    {"toolbar/sync.png", 16, 16},        {"header/sort-asc.png", 9, 5},
    {"header/sort-desc.png", 9, 5},
    {"skin/texture1.png", 24, 26},       {"skin/texture2.png", 24, 26},       {"skin/menu.png", 118, 111},
    {"skin/grip1.png", 11, 11},          {"skin/grip2.png", 11, 11},          {"editor/m_new.png", 16, 16},
    {"editor/m_open.png", 16, 16},       {"editor/m_cut.png", 16, 16},        {"editor/m_cpy.png", 16, 16},
    {"editor/m_paste.png", 16, 16},      {"editor/m_bold.png", 16, 16},       {"editor/m_italic.png", 16, 16},
    {"editor/m_underline.png", 16, 16},  {"editor/m_col.png", 16, 16},        {"editor/m_left.png", 16, 16},
    {"editor/m_center.png", 16, 16},     {"editor/m_right.png", 16, 16},      {"editor/m_bullet.png", 16, 16},
    {"editor/m_image.png", 16, 16},      {"editor/m_date.png", 16, 16},
};

static QImage load(const QString &path)
{
    return QImage(QStringLiteral(":/") + path).convertToFormat(QImage::Format_ARGB32);
}

static int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

class tst_Resources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void images_data();
    void images();
    void resourceFileListsEveryImage();
    void noteStripHas24DistinctIcons();
    void grips_data();
    void grips();
    void sortMarksPointTheRightWay();
    void texturesTileWithoutSeams_data();
    void texturesTileWithoutSeams();
    void desktopEntry();
    void installedIcons();
};

void tst_Resources::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    for (const Expected &e : kImages)
        QTest::addRow("nominal: %s", e.path) << QString::fromLatin1(e.path) << e.width << e.height;
}

void tst_Resources::images()
{
    QFETCH(QString, path);
    QFETCH(int, width);
    QFETCH(int, height);
    const QImage img = load(path);
    QVERIFY2(!img.isNull(), "not in the linked resources");
    QCOMPARE(img.size(), QSize(width, height));

    int transparent = 0, inked = 0; // inked: at least half covered
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int a = qAlpha(img.pixel(x, y));
            transparent += a == 0;
            inked += a >= 128;
        }
    if (path.startsWith(QLatin1String("skin/"))) {
        // Textures fill whole panes and grips are keyed on magenta: no holes.
        QCOMPARE(transparent, 0);
    } else {
        // Icons sit on a transparent background and show something.
        QVERIFY2(transparent > 0, "icon has no transparent background");
        QVERIFY2(inked >= img.width() * img.height() / 8, "icon too faint to read at its size");
    }
}

// The .qrc file is the one list the build reads: it must match the folder.
void tst_Resources::resourceFileListsEveryImage()
{
    const QDir dir(QStringLiteral(QB_RESOURCES_DIR));
    QFile qrc(dir.filePath(QStringLiteral("quillbook.qrc")));
    QVERIFY(qrc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(qrc.readAll());
    QSet<QString> listed;
    static const QRegularExpression entry(QStringLiteral("<file>([^<]+)</file>"));
    for (auto it = entry.globalMatch(text); it.hasNext();)
        listed.insert(it.next().captured(1));

    QSet<QString> expected;
    for (const Expected &e : kImages)
        expected.insert(QString::fromLatin1(e.path));
    QCOMPARE(listed, expected);

    QSet<QString> onDisk;
    QDirIterator files(dir.path(), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString rel = dir.relativeFilePath(files.next());
        if (!rel.startsWith(QLatin1String("icons/hicolor/"))) // installed only
            onDisk.insert(rel);
    }
    QCOMPARE(onDisk, listed);
}

void tst_Resources::noteStripHas24DistinctIcons()
{
    const QImage strip = load(QStringLiteral("notes/strip.png"));
    QCOMPARE(strip.size(), QSize(384, 16));
    QList<QImage> cells;
    QList<QRgb> tones;
    for (int i = 0; i < 24; ++i) {
        const QImage cell = strip.copy(16 * i, 0, 16, 16);
        qint64 r = 0, g = 0, b = 0, n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb px = cell.pixel(x, y);
                if (qAlpha(px) < 128)
                    continue;
                r += qRed(px);
                g += qGreen(px);
                b += qBlue(px);
                ++n;
            }
        QVERIFY2(n >= 40, qPrintable(QStringLiteral("icon %1 is nearly empty").arg(i + 1)));
        cells << cell;
        tones << qRgb(int(r / n), int(g / n), int(b / n));
    }
    // Each icon differs in drawing and in overall colour from every other one,
    // so a note's icon can be told apart in the list at a glance.
    for (int i = 0; i < 24; ++i)
        for (int j = i + 1; j < 24; ++j) {
            QVERIFY2(cells[i] != cells[j], qPrintable(QStringLiteral("icons %1 and %2 are equal").arg(i + 1).arg(j + 1)));
            QVERIFY2(colourDistance(tones[i], tones[j]) >= 24,
                     qPrintable(QStringLiteral("icons %1 and %2 have nearly the same colour").arg(i + 1).arg(j + 1)));
        }
}

void tst_Resources::grips_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("nominal: Cool Blue grip") << QStringLiteral("skin/grip1.png");
    QTest::newRow("nominal: Windows 2000 grip") << QStringLiteral("skin/grip2.png");
}

void tst_Resources::grips()
{
    QFETCH(QString, path);
    const QImage grip = load(path);
    const QRgb key = qRgb(255, 0, 255);
    QCOMPARE(grip.pixel(0, 0), key);
    QCOMPARE(grip.pixel(10, 0), key);
    int dots = 0;
    for (int y = 0; y < grip.height(); ++y)
        for (int x = 0; x < grip.width(); ++x) {
            const QRgb px = grip.pixel(x, y);
            if (px == key)
                continue;
            ++dots;
            // A blend of magenta would survive the colour key as a pink fringe.
            QVERIFY2(colourDistance(px, key) > 150, qPrintable(QStringLiteral("pinkish pixel at %1,%2").arg(x).arg(y)));
        }
    QVERIFY(dots >= 6);
    // The dots sit in the bottom-right corner, where the strip's corner is.
    QCOMPARE(grip.pixel(9, 9) == key, false);
}

void tst_Resources::sortMarksPointTheRightWay()
{
    auto rowWidth = [](const QImage &img, int y) {
        int n = 0;
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 0;
        return n;
    };
    const QImage up = load(QStringLiteral("header/sort-asc.png"));
    const QImage down = load(QStringLiteral("header/sort-desc.png"));
    QVERIFY(rowWidth(up, 0) < rowWidth(up, up.height() - 1));
    QVERIFY(rowWidth(down, 0) > rowWidth(down, down.height() - 1));
    QCOMPARE(up.mirrored(false, true), down);
    QCOMPARE(up.mirrored(true, false), up); // centred under the header text
}

void tst_Resources::texturesTileWithoutSeams_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("vertical");
    // Title panes and the toolbar are wider than a tile; menus are also taller.
    QTest::newRow("nominal: Cool Blue texture") << QStringLiteral("skin/texture1.png") << false;
    QTest::newRow("nominal: Windows 2000 texture") << QStringLiteral("skin/texture2.png") << false;
    QTest::newRow("nominal: menu texture") << QStringLiteral("skin/menu.png") << true;
}

void tst_Resources::texturesTileWithoutSeams()
{
    QFETCH(QString, path);
    QFETCH(bool, vertical);
    const QImage img = load(path);
    // A seam is a jump across the tile's edge larger than any step inside it.
    int inside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x + 1 < img.width(); ++x)
            inside = std::max(inside, colourDistance(img.pixel(x, y), img.pixel(x + 1, y)));
    for (int y = 0; y < img.height(); ++y)
        QVERIFY2(colourDistance(img.pixel(img.width() - 1, y), img.pixel(0, y)) <= inside,
                 qPrintable(QStringLiteral("seam at row %1").arg(y)));
    if (!vertical)
        return;
    int insideV = 0;
    for (int y = 0; y + 1 < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            insideV = std::max(insideV, colourDistance(img.pixel(x, y), img.pixel(x, y + 1)));
    for (int x = 0; x < img.width(); ++x)
        QVERIFY2(colourDistance(img.pixel(x, img.height() - 1), img.pixel(x, 0)) <= insideV,
                 qPrintable(QStringLiteral("seam at column %1").arg(x)));
}

void tst_Resources::desktopEntry()
{
    QFile file(QDir(QStringLiteral(QB_RESOURCES_DIR)).filePath(QStringLiteral("quillbook.desktop")));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QHash<QString, QString> keys;
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Quillbook"));
    QCOMPARE(keys.value(QStringLiteral("Name[zh_CN]")), QStringLiteral("Quillbook 记事本"));
    // The file manager passes one notebook path, which the program opens.
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("quillbook %f"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("quillbook"));
    QVERIFY(keys.value(QStringLiteral("Categories")).split(QLatin1Char(';')).contains(QStringLiteral("Office")));

    // The type the entry claims must be the one the installed MIME package
    // declares for *.qbf, or double-clicking a notebook finds no program.
    const QString mime = keys.value(QStringLiteral("MimeType")).section(QLatin1Char(';'), 0, 0);
    QVERIFY(!mime.isEmpty());
    QFile package(QDir(QStringLiteral(QB_RESOURCES_DIR)).filePath(QStringLiteral("quillbook-mime.xml")));
    QVERIFY(package.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(package.readAll());
    QVERIFY(xml.contains(QStringLiteral("<mime-type type=\"%1\">").arg(mime)));
    QVERIFY(xml.contains(QStringLiteral("<glob pattern=\"*.qbf\"")));
}

void tst_Resources::installedIcons()
{
    const QDir dir(QStringLiteral(QB_RESOURCES_DIR));
    for (int size : {16, 32, 48, 128, 256}) {
        const QImage icon(dir.filePath(QStringLiteral("icons/hicolor/%1/quillbook.png").arg(size)));
        QCOMPARE(icon.size(), QSize(size, size));
    }
    // A malformed SVG makes icon caches drop the icon silently.
    QFile svg(dir.filePath(QStringLiteral("icons/app.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QStringLiteral("svg"));
    QCOMPARE(xml.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 64 64"));
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

QTEST_GUILESS_MAIN(tst_Resources)
#include "tst_resources.moc"
