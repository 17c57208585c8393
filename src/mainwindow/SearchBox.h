#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QTimer;

// The search box of the toolbar: the query and where to look. It says when to search (a short
// pause after typing, or Enter at once) and when to stop (Esc, or the text cleared); the window
// does the searching.
class SearchBox : public QWidget
{
    Q_OBJECT

public:
    explicit SearchBox(QWidget *parent = nullptr);

    // The pause after the last keystroke before the query runs.
    static constexpr int kPauseMs = 150;

    QLineEdit *edit() const { return m_edit; }
    QComboBox *scope() const { return m_scope; }
    QTimer *pause() const { return m_pause; }

    QString query() const;
    bool wholeNotebook() const; // else the selected group only
    // Empties the box without asking for anything.
    void clearQuietly();
    // Puts the caret in the box with its text selected, to type over.
    void focusQuery();

Q_SIGNALS:
    void searchRequested(); // the query (never blank) should run now
    void searchEnded();     // Esc, or the box emptied

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_edit = nullptr;
    QComboBox *m_scope = nullptr;
    QTimer *m_pause = nullptr;
};
