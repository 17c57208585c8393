// The editor's two toolbars, its font and size lists, and how they follow the body's selection.
#include "frmAddNote.h"

#include "EditorPicture.h"
#include "EditorTexts.h"
#include "NoteBody.h"
#include "exchange/TextFileCodec.h"
#include "Twips.h"
#include "base/Prompter.h"
#include "controls/Named.h"
#include "rtf/Rtf.h"
#include "settings/Colors.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>

#include <optional>

namespace {

struct ButtonSpec
{
    const char *key; // nullptr: separator
    bool check;
    const char *tooltip;
};

const ButtonSpec kToolbar1[] = {
    {"M_NEW", false, "新建"},  {"M_OPEN", false, "打开"},  {nullptr, false, nullptr},
    {"M_CUT", false, "剪切"},  {"M_CPY", false, "复制"},   {"M_PASTE", false, "粘贴"},
};

const ButtonSpec kToolbar2[] = {
    {"M_BOLD", true, "粗体"},          {"M_ITALIC", true, "斜体"},  {"M_UNDERLINE", true, "下划线"},
    {"M_COL", false, "文档内容颜色"},  {nullptr, false, nullptr},   {"M_LEFT", true, "左对齐"},
    {"M_CENTER", true, "居中"},        {"M_RIGHT", true, "右对齐"}, {nullptr, false, nullptr},
    {"M_BULLET", true, "标点"},        {"M_IMAGE", false, "插入图片"}, {"M_DATE", false, "插入时间/日期"},
};

QIcon buttonIcon(const QString &key)
{
    const QString file = key.toLower() + QStringLiteral(".png");
    for (const QString &dir : {QStringLiteral(":/editor/"), QStringLiteral(":/resources/editor/")}) {
        if (QFile::exists(dir + file))
            return QIcon(dir + file);
    }
    return QIcon();
}

template<std::size_t N>
QList<QAction *> fillToolbar(QToolBar *bar, const ButtonSpec (&rows)[N])
{
    QList<QAction *> buttons;
    for (const ButtonSpec &button : rows) {
        if (!button.key) {
            buttons.append(bar->addSeparator());
            continue;
        }
        const QString key = QString::fromLatin1(button.key);
        const QString tip = QString::fromUtf8(button.tooltip);
        QAction *action = bar->addAction(buttonIcon(key), tip);
        action->setObjectName(key);
        action->setToolTip(tip);
        action->setCheckable(button.check);
        buttons.append(action);
    }
    return buttons;
}

// Paragraph alignment as the body reports it: 0 left, 1 right, 2 centre; nullopt for anything else.
std::optional<int> alignmentCode(Qt::Alignment a)
{
    const Qt::Alignment h = a & Qt::AlignHorizontal_Mask;
    if (h == 0 || h == Qt::AlignLeft || h == Qt::AlignLeading || h == (Qt::AlignLeft | Qt::AlignAbsolute))
        return 0;
    if (h == Qt::AlignRight || h == Qt::AlignTrailing || h == (Qt::AlignRight | Qt::AlignAbsolute))
        return 1;
    if (h == Qt::AlignHCenter)
        return 2;
    return std::nullopt;
}

// The character formats covered by the selection; for an empty selection the format at the caret.
QList<QTextCharFormat> selectionFormats(const QTextEdit *edit)
{
    const QTextCursor cursor = edit->textCursor();
    if (!cursor.hasSelection())
        return {cursor.charFormat()};
    QList<QTextCharFormat> formats;
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    const QTextDocument *doc = edit->document();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.position() < to && frag.position() + frag.length() > from)
                formats.append(frag.charFormat());
        }
    }
    if (formats.isEmpty())
        formats.append(cursor.charFormat());
    return formats;
}

// The one value a property has over the whole selection; nullopt when the selection mixes values.
template<typename T, typename Get>
std::optional<T> uniform(const QList<QTextCharFormat> &formats, Get get)
{
    std::optional<T> value;
    for (const QTextCharFormat &f : formats) {
        const T v = get(f);
        if (value && *value != v)
            return std::nullopt;
        value = v;
    }
    return value;
}

QString sizeText(qreal points)
{
    return QString::number(points, 'g', 6);
}

// A family the font database lists once per foundry ("C059 [UKWN]") goes into a note by its bare
// name: other programs reading the note know no foundries.
QString bareFamily(const QString &listed)
{
    const qsizetype bracket = listed.indexOf(QLatin1String(" ["));
    return bracket > 0 && listed.endsWith(QLatin1Char(']')) ? listed.left(bracket) : listed;
}

} // namespace

void frmAddNote::createToolbars()
{
    Toolbar1 = Tools::named<QToolBar>("Toolbar1", this);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setGeometry(px(90), px(1650), px(1890), px(390));
    m_toolbar1Buttons = fillToolbar(Toolbar1, kToolbar1);
    for (QAction *button : std::as_const(m_toolbar1Buttons))
        connect(button, &QAction::triggered, this, [this, button] { Toolbar1_ButtonClick(button); });

    Toolbar2 = Tools::named<QToolBar>("Toolbar2", this);
    Toolbar2->setIconSize(QSize(16, 16));
    Toolbar2->setGeometry(px(4830), px(1650), px(3840), px(390));
    m_toolbar2Buttons = fillToolbar(Toolbar2, kToolbar2);
    for (QAction *button : std::as_const(m_toolbar2Buttons))
        connect(button, &QAction::triggered, this, [this, button] { Toolbar2_ButtonClick(button); });

    for (QToolBar *bar : {Toolbar1, Toolbar2}) {
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setContentsMargins(0, 0, 0, 0);
    }
    placeToolRow();

    // Copy and paste availability follows the clipboard, also when another program changes it.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &frmAddNote::clipboardChanged);
}

void frmAddNote::fillFontList()
{
    QStringList names;
    QSet<QString> seen;
    for (const QString &listed : QFontDatabase::families()) {
        const QString name = bareFamily(listed);
        if (!seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }
    cboFont->addItems(names);
}

int frmAddNote::fontListIndex(const QString &family) const
{
    const auto find = [this](const QString &name) -> int {
        if (name.isEmpty())
            return -1;
        for (int i = 0; i < cboFont->count(); ++i) {
            if (cboFont->itemText(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };
    int index = find(family);
    if (index < 0) {
        // A font this system does not have is drawn with a stand-in; show that one.
        index = find(bareFamily(QFontInfo(QFont(family)).family()));
    }
    return index < 0 ? 0 : index;
}

void frmAddNote::placeToolRow()
{
    // The row was drawn for the buttons of another toolkit; ours may be wider. Keep the design
    // positions where they fit and otherwise push the next control right, so no button ends up
    // behind an overflow arrow.
    int x = px(90);
    const auto place = [&x](QWidget *w, int designLeft, int designWidth) {
        const int left = qMax(px(designLeft), x);
        const bool toolbar = qobject_cast<QToolBar *>(w) != nullptr;
        const int width = toolbar ? qMax(px(designWidth), w->sizeHint().width()) : px(designWidth);
        w->setGeometry(left, w->y(), width, w->height());
        x = left + width + 2;
    };
    place(Toolbar1, 90, 1890);
    place(cboFont, 2010, 1920);
    place(cboSize, 4050, 720);
    place(Toolbar2, 4830, 3840);
}

QAction *frmAddNote::toolbarButton(int toolbar, int position) const
{
    const QList<QAction *> &buttons = toolbar == 1 ? m_toolbar1Buttons : m_toolbar2Buttons;
    if (toolbar < 1 || toolbar > 2 || position < 1 || position > buttons.size())
        return nullptr;
    return buttons.at(position - 1);
}

void frmAddNote::Toolbar1_ButtonClick(QAction *button)
{
    if (!button)
        return;
    const QString key = button->objectName();
    if (key == QLatin1String("M_NEW")) {
        clearBody();
    } else if (key == QLatin1String("M_OPEN")) {
        openDocument();
    } else if (key == QLatin1String("M_CUT")) {
        m_textHelper.Cut();
    } else if (key == QLatin1String("M_CPY")) {
        m_textHelper.Copy();
        clipboardChanged();
    } else if (key == QLatin1String("M_PASTE")) {
        m_textHelper.Paste();
    }
}

void frmAddNote::Toolbar2_ButtonClick(QAction *button)
{
    if (!button)
        return;
    const QString key = button->objectName();
    if (key == QLatin1String("M_BOLD")) {
        QTextCharFormat f;
        f.setFontWeight(button->isChecked() ? QFont::Bold : QFont::Normal);
        txtNote->mergeCurrentCharFormat(f);
    } else if (key == QLatin1String("M_ITALIC")) {
        QTextCharFormat f;
        f.setFontItalic(button->isChecked());
        txtNote->mergeCurrentCharFormat(f);
    } else if (key == QLatin1String("M_UNDERLINE")) {
        QTextCharFormat f;
        f.setFontUnderline(button->isChecked());
        txtNote->mergeCurrentCharFormat(f);
    } else if (key == QLatin1String("M_COL")) {
        const qint32 color = AskColor();
        if (color != -1) {
            QTextCharFormat f;
            f.setForeground(Tools::ColorFromBgr(color));
            txtNote->mergeCurrentCharFormat(f);
            txtNote->setFocus();
        }
    } else if (key == QLatin1String("M_LEFT") || key == QLatin1String("M_CENTER")
               || key == QLatin1String("M_RIGHT")) {
        setAlignmentButton(int(m_toolbar2Buttons.indexOf(button)) + 1);
    } else if (key == QLatin1String("M_BULLET")) {
        setBullet(button->isChecked());
    } else if (key == QLatin1String("M_IMAGE")) {
        insertPicture();
    } else if (key == QLatin1String("M_DATE")) {
        insertDate();
    }
}

void frmAddNote::ClickToolbarButton(int position)
{
    Toolbar2_ButtonClick(toolbarButton(2, position));
}

void frmAddNote::showAlignmentButton(int position)
{
    // The three buttons act as one group: exactly one of them is pressed.
    for (int p = 6; p <= 8; ++p)
        toolbarButton(2, p)->setChecked(p == position);
}

void frmAddNote::setAlignmentButton(int position)
{
    showAlignmentButton(position);
    switch (position) {
    case 6: txtNote->setAlignment(Qt::AlignLeft); break;
    case 7: txtNote->setAlignment(Qt::AlignHCenter); break;
    case 8: txtNote->setAlignment(Qt::AlignRight); break;
    default: break;
    }
}

void frmAddNote::setBullet(bool on)
{
    QTextCursor cursor = txtNote->textCursor();
    const QTextDocument *doc = txtNote->document();
    const QTextBlock first = doc->findBlock(cursor.selectionStart());
    const QTextBlock last = doc->findBlock(cursor.selectionEnd());
    cursor.beginEditBlock();
    if (on) {
        // Every selected paragraph gets a bullet, joining the first list found among them.
        QTextList *list = nullptr;
        for (QTextBlock block = first; block.isValid() && !list; block = block.next()) {
            list = block.textList();
            if (block == last)
                break;
        }
        if (!list) {
            QTextListFormat format;
            format.setStyle(QTextListFormat::ListDisc);
            cursor.createList(format);
        } else {
            for (QTextBlock block = first; block.isValid(); block = block.next()) {
                if (!block.textList())
                    list->add(block);
                if (block == last)
                    break;
            }
        }
    } else {
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            if (QTextList *list = block.textList()) {
                list->remove(block);
                QTextCursor c(block);
                QTextBlockFormat f = block.blockFormat();
                f.setIndent(0);
                c.setBlockFormat(f);
            }
            if (block == last)
                break;
        }
    }
    cursor.endEditBlock();
}

void frmAddNote::clearBody()
{
    if (txtNote->document()->isEmpty())
        return;
    if (m_prompter.msgBox(this, texts::clearQuestion(), Prompter::Question, windowTitle()) == Prompter::Yes)
        txtNote->clear();
}

void frmAddNote::openDocument()
{
    const QString path = AskFileName(true, texts::openDocumentTitle(), texts::openDocumentFilter());
    if (path.isEmpty())
        return;
    QString reason;
    const std::optional<QByteArray> bytes = exchange::readWholeFile(path, &reason);
    if (!bytes) {
        showError(texts::cannotReadFile(path, reason));
        return;
    }
    if (bytes->trimmed().startsWith("{\\rtf")) {
        rtf::readInto(bytes->trimmed(), txtNote->document());
        return;
    }
    if (!exchange::isPlainText(*bytes)) {
        showError(texts::notATextFile(path));
        return;
    }
    txtNote->setPlainText(exchange::decodeTextFile(*bytes, m_textHelper.legacyLocale()));
}

void frmAddNote::insertPicture()
{
    const QString path = AskFileName(true, texts::openPictureTitle(), editor::pictureFileFilter());
    if (path.isEmpty())
        return;
    QString reason;
    const std::optional<QByteArray> bytes = exchange::readWholeFile(path, &reason);
    if (!bytes || !editor::insertPicture(txtNote, *bytes, &reason))
        showError(texts::cannotReadPicture(path, reason));
}

void frmAddNote::insertDate()
{
    txtNote->textCursor().insertText(generalDateText(QDateTime::currentDateTime()));
}

void frmAddNote::cboFont_Click()
{
    if (cboFont->currentIndex() < 0)
        return;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{bareFamily(cboFont->currentText())});
    txtNote->mergeCurrentCharFormat(f);
    txtNote->setFocus();
}

void frmAddNote::cboSize_Click()
{
    bool ok = false;
    const int points = cboSize->currentText().toInt(&ok);
    if (!ok || points <= 0)
        return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    txtNote->mergeCurrentCharFormat(f);
    txtNote->setFocus();
}

void frmAddNote::txtNote_SelChange()
{
    // Each list and button shows the selection's value; a selection that mixes values leaves it as it was.
    if (m_toolbar2Buttons.isEmpty() || m_toolbar1Buttons.isEmpty())
        return; // still building the window
    const QList<QTextCharFormat> formats = selectionFormats(txtNote);
    const QFont base = txtNote->document()->defaultFont();
    const auto family = uniform<QString>(formats, [&](const QTextCharFormat &f) {
        const QStringList families = f.fontFamilies().toStringList();
        return families.isEmpty() ? base.family() : families.first();
    });
    if (family)
        cboFont->setCurrentIndex(fontListIndex(*family));
    const auto size = uniform<qreal>(formats, [&](const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : base.pointSizeF();
    });
    if (size)
        cboSize->setCurrentIndex(FindInList(cboSize, sizeText(*size)));
    const auto bold = uniform<bool>(formats, [](const QTextCharFormat &f) { return f.fontWeight() >= QFont::DemiBold; });
    if (bold)
        toolbarButton(2, 1)->setChecked(*bold);
    const auto italic = uniform<bool>(formats, [](const QTextCharFormat &f) { return f.fontItalic(); });
    if (italic)
        toolbarButton(2, 2)->setChecked(*italic);
    const auto underline = uniform<bool>(formats, [](const QTextCharFormat &f) { return f.fontUnderline(); });
    if (underline)
        toolbarButton(2, 3)->setChecked(*underline);
    UpdateClipboardButtons();
}

void frmAddNote::txtNote_Click()
{
    const QTextCursor cursor = txtNote->textCursor();
    const QTextDocument *doc = txtNote->document();
    const QTextBlock last = doc->findBlock(cursor.selectionEnd());
    std::optional<int> code;
    for (QTextBlock block = doc->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        const std::optional<int> c = alignmentCode(block.blockFormat().alignment());
        if (!c || (code && *code != *c))
            return; // mixed alignment: nothing to show
        code = c;
        if (block == last)
            break;
    }
    if (!code)
        return;
    // Only the buttons follow: applying the same alignment again would be an edit nobody made.
    switch (*code) {
    case 0: showAlignmentButton(6); break;
    case 1: showAlignmentButton(8); break;
    case 2: showAlignmentButton(7); break;
    default: break;
    }
}

void frmAddNote::UpdateClipboardButtons()
{
    if (m_toolbar1Buttons.isEmpty())
        return;
    const bool selected = txtNote->textCursor().hasSelection();
    toolbarButton(1, 4)->setEnabled(selected);
    toolbarButton(1, 5)->setEnabled(selected);
    toolbarButton(1, 6)->setEnabled(m_canPaste);
}

void frmAddNote::clipboardChanged()
{
    // Reading a large clipboard that another program owns takes long; caret moves must not.
    m_canPaste = m_textHelper.CanPaste() || NoteBody::holdsOnlyPicture(QGuiApplication::clipboard()->mimeData());
    UpdateClipboardButtons();
}
