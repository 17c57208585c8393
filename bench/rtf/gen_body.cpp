// Writes a RichEdit-style RTF note body of about the given size (default 1 MB) to stdout:
// GBK text in \'hh pairs, bold and coloured runs, bulleted lists and centred headings, the way
// the rich-edit control of a Chinese Windows saves a long note. With "table" as second argument
// the body is one long three-column table instead (a pasted spreadsheet); with "par" it is one
// short paragraph after another.
#include "rtf/CodePage.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

const char16_t *const kSentences[] = {
    u"今天下午三点在会议室讨论下季度的工作计划，请各部门负责人准时参加。",
    u"记得给家里打电话，周末回去看望父母，顺便带些水果。",
    u"这本书的第三章讲述了数据结构的基本概念，值得反复阅读。",
    u"项目进度：需求分析已完成，设计文档正在评审，预计月底开始编码。",
    u"购物清单：牛奶、鸡蛋、面包、苹果、洗衣粉和两瓶酱油。",
    u"学习笔记：函数的参数按值传递，修改形参不会影响实参。",
};

QByteArray hexText(rtf::CodePageCodec &gbk, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray out;
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            out += char(ch.unicode());
            continue;
        }
        for (const char b : gbk.encodeChar(ch.unicode())) {
            out += "\\'";
            out += hex[(uchar(b) >> 4) & 0xf];
            out += hex[uchar(b) & 0xf];
        }
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    const long target = argc > 1 ? std::atol(argv[1]) : 1024 * 1024;
    rtf::CodePageCodec gbk(936);
    QByteArray body = "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
                      "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
                      "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
                      "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20 ";
    const int sentences = int(sizeof kSentences / sizeof kSentences[0]);
    const bool table = argc > 2 && QByteArray(argv[2]) == "table";
    const bool paragraphs = argc > 2 && QByteArray(argv[2]) == "par";
    for (long n = 0; paragraphs && body.size() < target; ++n)
        body += hexText(gbk, QString::fromUtf16(kSentences[n % sentences]).left(12)) + "\\par\r\n";
    if (table)
        body += "\\trowd\\trgaph108\\cellx1500\\cellx6000\\cellx9000\r\n";
    for (long n = 0; table && body.size() < target; ++n) {
        const QString s = QString::fromUtf16(kSentences[n % sentences]);
        body += "\\pard\\intbl " + QByteArray::number(n + 1) + "\\cell " + hexText(gbk, s.left(10)) + "\\cell "
            + hexText(gbk, s.mid(10, 4)) + "\\cell\\row\r\n";
    }
    for (long n = 0; !table && !paragraphs && body.size() < target; ++n) {
        const QString s = QString::fromUtf16(kSentences[n % sentences]);
        switch (n % 8) {
        case 0: // a centred bold heading
            body += "\\pard\\qc\\b\\fs28 " + hexText(gbk, QStringLiteral("第%1节").arg(n / 8 + 1)) + "\\b0\\fs20\\par\r\n\\pard ";
            break;
        case 3: // a bulleted list of three items
            body += "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}\\fi-200\\li200 ";
            for (int i = 0; i < 3; ++i) {
                if (i > 0)
                    body += "{\\pntext\\f1\\'b7\\tab}";
                body += hexText(gbk, QString::fromUtf16(kSentences[(n + i) % sentences]).left(12)) + "\\par\r\n";
            }
            body += "\\pard ";
            break;
        case 5: // bold and coloured runs inside a paragraph
            body += hexText(gbk, s.left(8)) + "\\b " + hexText(gbk, s.mid(8, 6)) + "\\b0  \\cf1 "
                + hexText(gbk, s.mid(14, 6)) + "\\cf0  \\cf2\\b " + hexText(gbk, s.mid(20)) + "\\cf0\\b0\\par\r\n";
            break;
        default:
            body += hexText(gbk, s) + " 2024-06-" + QByteArray::number(n % 28 + 1) + "\\par\r\n";
            break;
        }
    }
    body += "}\r\n";
    std::fwrite(body.constData(), 1, size_t(body.size()), stdout);
    return 0;
}
