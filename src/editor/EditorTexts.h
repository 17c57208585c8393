#pragma once

#include <QString>
#include <QStringList>

// The editor's own texts, kept together so captions and messages are spelt once.
namespace texts {

inline QString titleLabel() { return QStringLiteral("文档标题"); }
inline QString colorLabel() { return QStringLiteral("文档标题颜色"); }
inline QString priorityLabel() { return QStringLiteral("优先"); }
inline QString iconLabel() { return QStringLiteral("文档图标"); }
inline QString chooseColor() { return QStringLiteral("Choose Color"); }
inline QString fontTip() { return QStringLiteral("字体"); }
inline QString sizeTip() { return QStringLiteral("字体大小"); }
inline QString ok() { return QStringLiteral("确定"); }
inline QString cancel() { return QStringLiteral("取消"); }
inline QString newNoteCaption() { return QStringLiteral("新建记事本"); }
// The blank belongs to the caption; the title follows it.
inline QString editNoteCaption() { return QStringLiteral("编辑文档 "); }
inline QString noticeTitle() { return QStringLiteral("提示"); }
inline QString clearQuestion() { return QStringLiteral("你要清除内容吗？"); }
inline QString openDocumentTitle() { return QStringLiteral("打开文档"); }
inline QString openDocumentFilter() { return QStringLiteral("RTF文档(*.rtf)|*.rtf|TXT文档(*.txt)|*.txt|"); }
inline QString openPictureTitle() { return QStringLiteral("打开图片"); }
inline QString allPictures() { return QStringLiteral("所有图片"); }
inline QString openPictureFilter()
{
    return QStringLiteral("BMP 图片(*.bmp)|*.bmp|Gif 图片(*.gif)|*.gif|JPEG 图片(*.jpg)|*.jpg|PNG 图片(*.png)|*.png|");
}
inline QString discardQuestion() { return QStringLiteral("文档已修改，要放弃修改吗？"); }
inline QString notSavedHint() { return QStringLiteral("记事没有保存，仍在编辑窗口中。可以再按“确定”重试，或复制内容另存。"); }
inline QString cannotReadFile(const QString &path, const QString &reason)
{
    return QStringLiteral("无法读取文件“%1”：%2").arg(path, reason);
}
inline QString notATextFile(const QString &path)
{
    return QStringLiteral("文件“%1”不是文本文档，内容未改变。").arg(path);
}
inline QString cannotReadPicture(const QString &path, const QString &reason)
{
    return QStringLiteral("无法读取图片“%1”：%2\n文档内容未改变。").arg(path, reason);
}

inline QString cannotPastePicture(const QString &reason)
{
    return QStringLiteral("无法粘贴剪贴板中的图片：%1\n文档内容未改变。").arg(reason);
}

inline QStringList priorities()
{
    return {QStringLiteral("一般"), QStringLiteral("普通"), QStringLiteral("重要"), QStringLiteral("非常重要"),
            QStringLiteral("私密")};
}

inline QStringList fontSizes()
{
    return {QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
            QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
            QStringLiteral("20"), QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"),
            QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")};
}

// "Name(*.x)|*.x|Other(*.y)|*.y|" -> "Name(*.x);;Other(*.y)": the file chooser names each entry
// by its description, which already carries the pattern.
inline QString qtFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        const QString pattern = parts.at(i + 1);
        if (description.isEmpty())
            continue;
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (%1)").arg(pattern);
        entries.append(description);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace texts
