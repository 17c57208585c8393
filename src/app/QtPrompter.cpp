#include "app/QtPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QUrl>

int QtPrompter::msgBox(QWidget *parent, const QString &text, int style, const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    const bool question = style == Question || style == QuestionDefaultNo;
    switch (style) {
    case Question:
    case QuestionDefaultNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(style == Question ? QMessageBox::Yes : QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        break;
    case Exclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("确定"));
    const int r = box.exec();
    if (question)
        return r == QMessageBox::Yes ? Yes : No;
    return Ok;
}

namespace {

// The program's working folder means nothing to the user; their home does.
QString startFolder(const QString &folder)
{
    return folder.isEmpty() ? QDir::homePath() : folder;
}

} // namespace

QString QtPrompter::openFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &folder)
{
    return QFileDialog::getOpenFileName(parent, caption, startFolder(folder), filter);
}

QStringList QtPrompter::openFileNames(QWidget *parent, const QString &caption, const QString &filter,
                                      const QString &folder)
{
    return QFileDialog::getOpenFileNames(parent, caption, startFolder(folder), filter);
}

QString QtPrompter::folderName(QWidget *parent, const QString &caption, const QString &folder)
{
    return QFileDialog::getExistingDirectory(parent, caption, startFolder(folder));
}

QString QtPrompter::saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &folder, QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, startFolder(folder), filter, selectedFilter,
                                        QFileDialog::DontConfirmOverwrite);
}

std::optional<QColor> QtPrompter::color(QWidget *parent, const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> QtPrompter::font(QWidget *parent, const QFont &initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return f;
}

int QtPrompter::exec(QDialog *dialog)
{
    return dialog->exec();
}

void QtPrompter::beep()
{
    QApplication::beep();
}

bool QtPrompter::openUrl(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url));
}
