#include "controls/FontApply.h"

#include "settings/Colors.h"
#include "settings/FontString.h"

#include <QLabel>

namespace Tools {

void ApplyFontString(const QString &fontString, QWidget *control,
                     const std::function<void(qint32)> &setNodeColor)
{
    if (!control)
        return;
    const FontSpec parsed = ParseFontString(fontString);

    if (auto *label = qobject_cast<QLabel *>(control)) {
        if (const auto caption = parsed.caption())
            label->setText(*caption);
        if (parsed.fieldCount == 7 && parsed.color) {
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, ColorFromBgr(*parsed.color));
            label->setPalette(pal);
        }
    }

    QFont font = control->font();
    parsed.applyTo(font);
    control->setFont(font);

    if (setNodeColor) {
        if (parsed.fieldCount != 7)
            setNodeColor(0);
        else if (parsed.color)
            setNodeColor(*parsed.color);
    }
}

} // namespace Tools
