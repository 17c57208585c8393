#pragma once

#include <QColor>
#include <QPixmap>
#include "controls/Named.h"

#include <QString>
#include <functional>

class QDialog;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// Small pieces every dialog of the main window shares: the look of a refused entry, the fixed
// frame without icon, twip placement and the key and mouse hooks of the text boxes.
namespace DialogLook {

using Tools::named;

// Background of a refused or wrong entry: 0xFFDBBF in blue-green-red order, a light blue.
QColor highlightColor();
// Normal background of an entry box.
QColor normalColor();

// Modal, no window icon. With fixedFrame the window also loses its minimise and maximise boxes.
void prepareDialog(QDialog *dialog, bool fixedFrame);

void setBackground(QWidget *box, const QColor &color);
bool isHighlighted(const QWidget *box);
// Back to white, but only when the box carries the highlight.
void clearHighlight(QWidget *box);

// Places a widget by twips (15 twips = 1 pixel). A label grows to its text if the text needs more
// room than the design gave it, so no caption is cut off in a font wider than the original.
void placeTwips(QWidget *widget, int left, int top, int width, int height);
int twips(int value);

// Runs fn on Enter or Return in the box; the key itself never reaches the box.
void onEnterKey(QWidget *box, std::function<void()> fn);
// Runs fn when the box is clicked; the click still reaches the box.
void onMousePress(QWidget *box, std::function<void()> fn);
// Runs fn when the box loses the focus.
void onFocusOut(QWidget *box, std::function<void()> fn);

// "确定" and "取消", named cmdOK and cmdCancel.
std::pair<QPushButton *, QPushButton *> okCancelButtons(QWidget *parent);
// The two buttons at the right end of a row.
QHBoxLayout *buttonRow(QPushButton *ok, QPushButton *cancel);

// A caption in the password dialogs' Arial.
QLabel *arialLabel(const char *name, const QString &text, QWidget *parent);
// A white box that shows dots and takes at most 50 characters.
QLineEdit *passwordBox(const char *name, QWidget *parent);
// The dialog's decorative picture, named Image1.
QLabel *pictureLabel(const QPixmap &picture, QWidget *parent);

// The decorative pictures of the dialogs, drawn here so they scale with nothing else.
QPixmap keyPicture(int size);
QPixmap movePicture(int size);

} // namespace DialogLook
