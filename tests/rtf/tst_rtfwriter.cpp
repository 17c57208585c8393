// The writer: what it emits, and that reading its output gives the document back.
#include "rtf/Rtf.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

namespace {

QByteArray encodedImage(const char *format, QSize size = QSize(6, 4))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 3, 2, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray pictGroup(const QByteArray &words, const QByteArray &bytes)
{
    return "{\\pict" + words + " " + bytes.toHex() + "}";
}

// Everything a round trip must keep, as one comparable text. No family or size in a format
// means the document's default font, which the writer names as font 0.
QString signature(const QTextDocument &doc)
{
    const QString defaultFamily = doc.defaultFont().family();
    const double defaultSize = doc.defaultFont().pointSizeF();
    QString sig;
    QTextStream out(&sig);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        out << "[block align=" << int(bf.alignment()) << " li=" << bf.leftMargin() << " ri=" << bf.rightMargin()
            << " fi=" << bf.textIndent() << " sb=" << bf.topMargin() << " sa=" << bf.bottomMargin()
            << " lh=" << bf.lineHeight() << "/" << bf.lineHeightType();
        if (const QTextList *list = b.textList())
            out << " list=" << int(list->format().style()) << "#" << list->itemNumber(b);
        if (QTextTable *table = QTextCursor(b).currentTable()) {
            const QTextTableCell cell = table->cellAt(b.position());
            out << " cell=" << cell.row() << "," << cell.column() << "/" << table->rows() << "x" << table->columns();
        }
        out << "]";
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            if (cf.isImageFormat()) {
                const QTextImageFormat img = cf.toImageFormat();
                out << "<img " << img.width() << "x" << img.height() << ">";
                continue;
            }
            out << "{b=" << (cf.fontWeight() >= QFont::DemiBold) << " i=" << cf.fontItalic() << " u=" << cf.fontUnderline()
                << " s=" << cf.fontStrikeOut() << " pt=" << (cf.fontPointSize() > 0 ? cf.fontPointSize() : defaultSize) << " fg="
                << (cf.hasProperty(QTextFormat::ForegroundBrush) ? cf.foreground().color().name() : QString())
                << " bg=" << (cf.hasProperty(QTextFormat::BackgroundBrush) ? cf.background().color().name() : QString())
                << " va=" << int(cf.verticalAlignment()) << " href=" << cf.anchorHref()
                << " font="
                << (cf.fontFamilies().toStringList().isEmpty() ? defaultFamily
                                                               : cf.fontFamilies().toStringList().join(QLatin1Char(',')))
                << "}" << f.text();
        }
        out << "\n";
    }
    return sig;
}

bool isSevenBit(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void header();
    void chineseHasUnicodeAndCodePageFallback();
    void codePageOfTheReadBody();
    void formattingOnlyWhereItChanges();
    void typedDocument();
    void originalPictureBytes_data();
    void originalPictureBytes();
    void resizedPictureKeepsBytes();
    void replacedPictureIsWrittenFromItsImage();
    void addPicture_data();
    void addPicture();
    void writeTextIsTheSameRtf();
};

void TestRtfWriter::roundTrip_data()
{
    QTest::addColumn<QByteArray>("body");
    const QByteArray gbk = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                           "{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}";
    QTest::newRow("nominal: rich-edit Chinese note")
        << gbk + "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20 \\'d6\\'d0\\'ce\\'c4\\b \\'b4\\'d6\\b0  \\cf1 red\\cf0\\par"
                 "\\pard\\qc\\f1\\fs32 centred\\par}";
    QTest::newRow("nominal: every character format")
        << gbk + "\\b b\\b0\\i i\\i0\\ul u\\ulnone\\strike s\\strike0\\fs15 small\\fs24\\cf2 green\\cf0"
                 "\\highlight1 marked\\highlight0\\super sup\\nosupersub\\sub sub\\nosupersub plain}";
    QTest::newRow("nominal: paragraph formats")
        << QByteArray("{\\rtf1\\pard\\li720\\ri360\\fi-360\\sb120\\sa240 a\\par\\pard\\qr\\sl360\\slmult1 b\\par"
                      "\\pard\\qj\\sl-300\\slmult0 c\\par\\pard\\sl300\\slmult0 d\\par}");
    QTest::newRow("nominal: bullets and numbers")
        << QByteArray("{\\rtf1 x\\par\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}one\\par"
                      "{\\pntext\\f1\\'b7\\tab}two\\par\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta.}}first\\par"
                      "{\\pntext 2.\\tab}second\\par\\pard end\\par}");
    QTest::newRow("nominal: table between paragraphs")
        << QByteArray("{\\rtf1 before\\par\\trowd\\cellx1500\\cellx4500\\pard\\intbl a\\cell\\b b\\b0\\cell\\row"
                      "\\trowd\\cellx1500\\cellx4500\\pard\\intbl c\\par c2\\cell\\cell\\row\\pard after\\par}");
    QTest::newRow("nominal: table at the start")
        << QByteArray("{\\rtf1\\trowd\\cellx1500\\pard\\intbl a\\cell\\row\\pard after}");
    QTest::newRow("nominal: link")
        << QByteArray("{\\rtf1 see {\\field{\\*\\fldinst{HYPERLINK \"http://example.com/a?b=1\"}}{\\fldrslt{\\ul\\cf1 here}}} now}");
    QTest::newRow("nominal: characters RTF escapes")
        << QByteArray("{\\rtf1 \\{braces\\} back\\\\slash\\tab tab\\line line\\~nbsp\\-soft\\_hard}");
    QTest::newRow("nominal: text outside every code page") << QByteArray("{\\rtf1 \\u-10179?\\u-8704? \\u8364? \\u1488?}");
    QTest::newRow("nominal: empty paragraphs kept") << QByteArray("{\\rtf1 a\\par\\par\\par b\\par\\par}");
    QTest::newRow("nominal: empty document") << QByteArray("{\\rtf1}");
    QTest::newRow("nominal: picture in text")
        << QByteArray("{\\rtf1 a" + pictGroup("\\pngblip\\picw6\\pich4\\picwgoal900\\pichgoal600", encodedImage("PNG")) + "b}");
    QTest::newRow("nominal: metafile placeholder")
        << QByteArray("{\\rtf1 " + pictGroup("\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720", "fake metafile") + "}");
    QTest::newRow("nominal: plain text note") << QByteArray("第一行\n\t第二行 {}\\");
}

void TestRtfWriter::roundTrip()
{
    QFETCH(QByteArray, body);
    QTextDocument first;
    rtf::readInto(body, &first);
    const QByteArray written = rtf::write(&first);
    QVERIFY(isSevenBit(written));
    QTextDocument second;
    rtf::readInto(written, &second);
    QCOMPARE(signature(second), signature(first));
    // Writing what was read back gives the same RTF: nothing drifts from save to save.
    QCOMPARE(rtf::write(&second), written);
}

void TestRtfWriter::header()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("x"));
    const QByteArray rtf = rtf::write(&doc);
    QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"), rtf.constData());
    QVERIFY(rtf.contains("\\uc1"));
    QVERIFY(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset134 "));
    QVERIFY(rtf.contains("{\\colortbl ;"));
    QVERIFY(rtf.trimmed().endsWith('}'));
}

void TestRtfWriter::chineseHasUnicodeAndCodePageFallback()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("中a"));
    const QByteArray rtf = rtf::write(&doc);
    // Two fallback bytes: \uc2 announces them to readers that skip them.
    QVERIFY2(rtf.contains("\\uc2\\u20013\\'d6\\'d0"), rtf.constData());
    QVERIFY(rtf.contains("\\'d0a"));
}

void TestRtfWriter::codePageOfTheReadBody()
{
    QTextDocument doc;
    rtf::readInto(QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0}"), &doc);
    const QByteArray rtf = rtf::write(&doc);
    QVERIFY(rtf.contains("\\ansicpg1251"));
    QVERIFY(rtf.contains("\\fcharset204"));
    QVERIFY2(rtf.contains("\\u1044\\'c4"), rtf.constData());
}

void TestRtfWriter::formattingOnlyWhereItChanges()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("one "), bold);
    c.insertText(QStringLiteral("two"), bold);
    c.insertBlock();
    c.insertText(QStringLiteral("three"), bold);
    c.insertText(QStringLiteral(" plain"), QTextCharFormat());
    const QByteArray rtf = rtf::write(&doc);
    QCOMPARE(QString::fromLatin1(rtf).count(QRegularExpression(QStringLiteral("\\\\b(?![a-z0-9])"))), 1);
    QCOMPARE(rtf.count("\\b0"), 1);
    QCOMPARE(rtf.count("\\pard"), 1);
}

void TestRtfWriter::typedDocument()
{
    // A document as the editor makes it: Qt formats, not read from RTF.
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("宋体")});
    f.setFontPointSize(14);
    f.setForeground(QColor(0x12, 0x34, 0x56));
    c.insertText(QStringLiteral("标题"), f);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centred);
    c.insertBlock(QTextBlockFormat());
    QTextListFormat lf;
    lf.setStyle(QTextListFormat::ListDisc);
    c.createList(lf);
    c.insertText(QStringLiteral("项目"), QTextCharFormat());
    QTextDocument back;
    rtf::readInto(rtf::write(&doc), &back);
    QCOMPARE(rtf::plainText(&back), QStringLiteral("标题\n•\t项目"));
    QTextCursor title(&back);
    title.setPosition(1);
    QCOMPARE(title.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
    QCOMPARE(title.charFormat().fontPointSize(), 14.0);
    QCOMPARE(title.charFormat().foreground().color(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(title.blockFormat().alignment(), Qt::AlignHCenter);
}

void TestRtfWriter::originalPictureBytes_data()
{
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<QSize>("shownSize");
    const QByteArray bmp = encodedImage("BMP");
    QTest::newRow("nominal: png") << QByteArray("\\pngblip\\picw6\\pich4\\picwgoal1500\\pichgoal600") << encodedImage("PNG")
                                  << true << QSize(100, 40);
    QTest::newRow("nominal: jpeg") << QByteArray("\\jpegblip\\picw6\\pich4") << encodedImage("JPEG") << true << QSize(6, 4);
    QTest::newRow("nominal: dib") << QByteArray("\\dibitmap0\\picw6\\pich4\\picwgoal90\\pichgoal60") << bmp.mid(14) << true
                                  << QSize(6, 4);
    QTest::newRow("nominal: device bitmap")
        << QByteArray("\\wbitmap0\\picw2\\pich2\\picbpp24\\picwbmwidthbytes8\\picwgoal300\\pichgoal300")
        << QByteArray::fromHex("0000ff00ff000000ffffff0000000000") << true << QSize(20, 20);
    QTest::newRow("nominal: scaled") << QByteArray("\\pngblip\\picw6\\pich4\\picwgoal1500\\pichgoal600\\picscalex50\\picscaley200")
                                     << encodedImage("PNG") << true << QSize(50, 80);
    QTest::newRow("nominal: wmf placeholder") << QByteArray("\\wmetafile8\\picw5080\\pich2540\\picwgoal1440\\pichgoal720")
                                              << QByteArray("not drawable here") << false << QSize(96, 48);
    QTest::newRow("nominal: emf placeholder sized from its extent") << QByteArray("\\emfblip\\picw2540\\pich1270")
                                                                    << QByteArray("EMF bytes") << false << QSize(96, 48);
    QTest::newRow("robustness: damaged png keeps its bytes") << QByteArray("\\pngblip\\picwgoal300\\pichgoal300")
                                                             << QByteArray("\x89PNG broken") << false << QSize(20, 20);
}

void TestRtfWriter::originalPictureBytes()
{
    QFETCH(QByteArray, words);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, drawn);
    QFETCH(QSize, shownSize);
    QTextDocument doc;
    rtf::readInto("{\\rtf1 a" + pictGroup(words, bytes) + "b}", &doc);
    QTextCursor c(&doc);
    c.setPosition(2);
    QVERIFY(c.charFormat().isImageFormat());
    const QTextImageFormat image = c.charFormat().toImageFormat();
    QCOMPARE(QSizeF(image.width(), image.height()).toSize(), shownSize);
    const QImage shown = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
    QVERIFY(!shown.isNull());
    // Every drawable sample has a red top-left corner (JPEG only nearly red).
    const QRgb corner = shown.pixel(0, 0);
    QCOMPARE(qRed(corner) > 200 && qGreen(corner) < 60 && qBlue(corner) < 60, drawn);
    // An unchanged picture goes out with its bytes exactly as they came in.
    const QByteArray rtf = rtf::write(&doc);
    QByteArray hexInOutput = rtf;
    hexInOutput.replace("\r\n", "");
    QVERIFY(hexInOutput.contains(bytes.toHex()));
    QTextDocument back;
    rtf::readInto(rtf, &back);
    QCOMPARE(rtf::write(&back), rtf);
}

void TestRtfWriter::resizedPictureKeepsBytes()
{
    const QByteArray png = encodedImage("PNG");
    QTextDocument doc;
    rtf::readInto("{\\rtf1 " + pictGroup("\\pngblip\\picw6\\pich4", png) + "}", &doc);
    QTextCursor c(&doc);
    c.setPosition(0);
    c.setPosition(1, QTextCursor::KeepAnchor);
    QTextImageFormat f = c.charFormat().toImageFormat();
    f.setWidth(60);
    f.setHeight(40);
    c.setCharFormat(f);
    const QByteArray rtf = rtf::write(&doc);
    QVERIFY(rtf.contains("\\picwgoal900\\pichgoal600"));
    QVERIFY(QByteArray(rtf).replace("\r\n", "").contains(png.toHex()));
}

void TestRtfWriter::replacedPictureIsWrittenFromItsImage()
{
    const QByteArray jpeg = encodedImage("JPEG");
    QTextDocument doc;
    rtf::readInto("{\\rtf1 " + pictGroup("\\jpegblip\\picw6\\pich4", jpeg) + "}", &doc);
    QTextCursor c(&doc);
    c.setPosition(1);
    const QString name = c.charFormat().toImageFormat().name();
    QImage changed(6, 4, QImage::Format_RGB32);
    changed.fill(Qt::blue);
    doc.addResource(QTextDocument::ImageResource, QUrl(name), changed);
    const QByteArray rtf = rtf::write(&doc);
    QVERIFY(!QByteArray(rtf).replace("\r\n", "").contains(jpeg.toHex()));
    QVERIFY(rtf.contains("\\pngblip"));
    QTextDocument back;
    rtf::readInto(rtf, &back);
    QTextCursor b(&back);
    b.setPosition(1);
    const QImage image = back.resource(QTextDocument::ImageResource, QUrl(b.charFormat().toImageFormat().name())).value<QImage>();
    QCOMPARE(image.pixel(0, 0), QColor(Qt::blue).rgb());
}

void TestRtfWriter::addPicture_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("blip");
    QTest::addColumn<bool>("bytesKept");
    QTest::newRow("nominal: png kept") << encodedImage("PNG") << QByteArray("\\pngblip") << true;
    QTest::newRow("nominal: jpeg kept") << encodedImage("JPEG") << QByteArray("\\jpegblip") << true;
    QTest::newRow("nominal: bmp as png") << encodedImage("BMP") << QByteArray("\\pngblip") << false;
    QTest::newRow("robustness: not a picture") << QByteArray("GIF89a but not really") << QByteArray() << false;
    QTest::newRow("robustness: empty file") << QByteArray() << QByteArray() << false;
}

void TestRtfWriter::addPicture()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, blip);
    QFETCH(bool, bytesKept);
    QTextDocument doc;
    const QString name = rtf::addPicture(&doc, file);
    if (blip.isEmpty()) {
        QVERIFY(name.isEmpty());
        return;
    }
    QVERIFY(!name.isEmpty());
    const QTextImageFormat format = rtf::pictureFormat(&doc, name);
    QCOMPARE(format.width(), 6.0);
    QTextCursor(&doc).insertImage(format);
    const QByteArray rtf = rtf::write(&doc);
    QVERIFY(rtf.contains(blip));
    QCOMPARE(QByteArray(rtf).replace("\r\n", "").contains(file.toHex()), bytesKept);
    QTextDocument back;
    rtf::readInto(rtf, &back);
    QCOMPARE(back.toPlainText(), QString(QChar::ObjectReplacementCharacter));
}

void TestRtfWriter::writeTextIsTheSameRtf()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("中文 text"));
    QCOMPARE(rtf::writeText(&doc).toLatin1(), rtf::write(&doc));
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
