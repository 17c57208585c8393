#pragma once

#include "base/AppState.h"
#include "common/ChildLookup.h"
#include "common/ScriptedPrompter.h"
#include "editor/frmAddNote.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QTextEdit>
#include <QtTest>

#include <memory>

// A note editor opened the way the main window opens it, with 24 distinguishable icons.
struct EditorFixture
{
    AppState state;
    CurrentNote stored; // the note an edit opens with
    ScriptedPrompter prompter;
    QList<QIcon> icons;
    std::unique_ptr<frmAddNote> dlg;

    EditorFixture()
    {
        for (int i = 0; i < 24; ++i) {
            QPixmap pm(16, 16);
            pm.fill(QColor::fromHsv(i * 15, 200, 200));
            icons.append(QIcon(pm));
        }
    }

    frmAddNote &open(bool isNew)
    {
        dlg = std::make_unique<frmAddNote>(state, prompter, icons, isNew ? nullptr : &stored);
        dlg->show();
        dlg->activateWindow();
        if (!QTest::qWaitForWindowActive(dlg.get()))
            qWarning("editor window did not become active");
        return *dlg;
    }

    template<typename T>
    T *child(const char *name) const
    {
        return ChildLookup::child<T>(*dlg, name);
    }
    QLineEdit *title() const { return child<QLineEdit>("txtTitle"); }
    QTextEdit *body() const { return child<QTextEdit>("txtNote"); }
    QComboBox *combo(const char *name) const { return child<QComboBox>(name); }
    QAction *button(const char *key) const { return child<QAction>(key); }

    // Types into a widget; text beyond ASCII goes in as input-method text would.
    static void type(QWidget *w, const QString &text)
    {
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (ascii) {
            QTest::keyClicks(w, text);
        } else if (auto *line = qobject_cast<QLineEdit *>(w)) {
            line->insert(text);
        } else if (auto *edit = qobject_cast<QTextEdit *>(w)) {
            edit->insertPlainText(text);
        }
    }

    // Selects [start, start + length) in the body as the user would.
    void select(int start, int length) const
    {
        QTextCursor c = body()->textCursor();
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        body()->setTextCursor(c);
    }
};
