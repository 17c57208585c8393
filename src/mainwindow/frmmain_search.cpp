// Search: the toolbar's box, the results in the note list, the hits marked in the preview.
#include "mainwindow/frmmain.h"

#include "base/Logging.h"
#include "controls/SortHeader.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/SearchBox.h"
#include "mainwindow/SkinPane.h"
#include "search/SearchRunner.h"
#include "search/SearchText.h"
#include "settings/Settings.h"
#include "store/Notebook.h"
#include "store/NotebookWorker.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolBar>

namespace {
// Enough for anyone to read through; the status strip says when more matched.
constexpr int kShownResults = 500;
} // namespace

void frmmain::createSearchBox()
{
    // The box sits at the right end of the toolbar, after a stretch.
    auto *stretch = new QWidget(m_toolbar);
    stretch->setObjectName(QStringLiteral("searchStretch"));
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolbar->addWidget(stretch);
    m_searchBox = new SearchBox(m_toolbar);
    m_searchBox->setObjectName(QStringLiteral("searchBox"));
    m_toolbar->addWidget(m_searchBox);
    connect(m_searchBox, &SearchBox::searchRequested, this, &frmmain::runSearch);
    connect(m_searchBox, &SearchBox::searchEnded, this, &frmmain::endSearch);

    m_indexStatus = new QLabel(m_statusStrip);
    m_indexStatus->setObjectName(QStringLiteral("lblIndex"));
    m_indexStatus->setAttribute(Qt::WA_TranslucentBackground);
    m_indexStatus->setFont(m_noteCount->font());
    m_indexStatus->hide();
    static_cast<QHBoxLayout *>(m_statusStrip->layout())->addWidget(m_indexStatus);

    // Searches and the index's build run in the runner; the window shows what it says.
    m_search = new SearchRunner(m_db, this);
    connect(m_search, &SearchRunner::searching, this, [this] { m_noteCount->setText(QStringLiteral("正在搜索...")); });
    connect(m_search, &SearchRunner::found, this,
            [this](const QString &query, const SearchResult &result, const QString &error) {
                // An answer to a query the box no longer holds (typed on meanwhile) is not shown.
                if (query == m_searchBox->query())
                    fillResults(result, error, m_selectInResults);
            });
    connect(m_search, &SearchRunner::indexStarted, this, [this] {
        m_indexStatus->setText(QStringLiteral("正在建立搜索索引..."));
        m_indexStatus->show();
    });
    connect(m_search, &SearchRunner::indexProgress, this, [this](int percent) {
        m_indexStatus->setText(QStringLiteral("正在建立搜索索引 %1% <a href=\"cancel\">取消</a>").arg(percent));
    });
    connect(m_search, &SearchRunner::indexEnded, m_indexStatus, &QWidget::hide);
    connect(m_indexStatus, &QLabel::linkActivated, this, [this] {
        if (m_search->cancelBuild())
            m_indexStatus->setText(QStringLiteral("正在停止建立索引..."));
    });
    // The build starts once the notebook is ready for it, and everything stops before the file
    // is closed, copied or rewritten.
    connect(m_notebook, &NotebookLifecycle::readyForWork, m_search, &SearchRunner::buildIndex);
    connect(m_notebook, &NotebookLifecycle::stopping, m_search, &SearchRunner::stop);
}

void frmmain::focusSearch()
{
    if (!m_db.isOpen())
        return;
    // The box lives on the toolbar: asking for it brings the toolbar back.
    if (!m_toolbarShown)
        run(Cmd::ShowToolbar);
    m_searchBox->focusQuery();
}

void frmmain::runSearch()
{
    if (refuseWhileBusy() || !m_db.isOpen() || m_searchBox->query().isEmpty())
        return;
    if (!m_showingResults)
        m_noteBeforeSearch = m_noteChosen ? m_noteId : 0;
    refreshResults(0);
}

void frmmain::refreshResults(qint64 noteId)
{
    SearchOptions options;
    options.limit = kShownResults;
    options.traditionalSimplified = m_settings.gSearchVariants != 0;
    if (!m_searchBox->wholeNotebook() && groupSelected())
        options.groupId = m_groupId;
    m_selectInResults = noteId;
    m_search->find(m_searchBox->query(), options);
}

void frmmain::fillResults(const SearchResult &result, const QString &error, qint64 noteId)
{
    const bool ok = error.isEmpty();
    if (!ok)
        qCWarning(lcStore) << "search failed" << error;
    m_showingResults = true;
    m_searchTerms = result.terms;
    clearPreview();
    m_noteChosen = false;
    NoteListModel *model = m_noteList->model();
    model->clear();
    model->setGroupColumn(true);
    for (const SearchHit &hit : result.hits) {
        NoteItem item = hit.item;
        item.group = hit.groupName;
        model->addItem(item);
    }
    m_noteList->refreshed();
    // The group is shown beside the title, where it is read with it, however wide the dates are.
    SortHeader *header = m_noteList->header();
    if (header->visualIndex(NoteListModel::GroupColumn) != 1) {
        header->moveSection(header->visualIndex(NoteListModel::GroupColumn), 1);
        m_noteList->fitColumns();
    }
    m_groupCaption->setText(QStringLiteral("搜索结果"));
    QString status;
    if (!ok)
        status = QStringLiteral("无法搜索这个数据库");
    else if (result.total == 0)
        status = QStringLiteral("没有找到记事");
    else if (result.total > qint64(result.hits.size()))
        status = QStringLiteral("找到 %1 篇记事，只列出前 %2 篇").arg(result.total).arg(result.hits.size());
    else
        status = QStringLiteral("找到 %1 篇记事").arg(result.total);
    m_noteCount->setText(status);
    if (noteId > 0)
        SelectNote(noteId);
}

void frmmain::endSearch()
{
    // A search still on its way is never shown.
    const bool inFlight = m_search->inFlight();
    m_search->cancel();
    if (!m_showingResults && !inFlight)
        return;
    leaveResults();
    // Back to the group that was selected, and to the note that was chosen in it.
    SelectNode(m_nodeIndex);
    if (m_noteBeforeSearch > 0)
        SelectNote(m_noteBeforeSearch);
    m_searchBox->edit()->setFocus();
}

void frmmain::leaveResults()
{
    m_showingResults = false;
    m_searchTerms.clear();
    m_searchBox->clearQuietly();
    // The group's column goes back to the end before it goes, leaving the others as they were.
    SortHeader *header = m_noteList->header();
    if (m_noteList->model()->groupColumn())
        header->moveSection(header->visualIndex(NoteListModel::GroupColumn), NoteListModel::GroupColumn);
    m_noteList->model()->setGroupColumn(false);
}

void frmmain::markHits()
{
    QList<QTextEdit::ExtraSelection> marks;
    if (m_showingResults) {
        QTextCharFormat look;
        look.setBackground(QColor(255, 230, 80));
        look.setForeground(Qt::black);
        for (const SearchText::Range &r : SearchText::hits(m_preview->toPlainText(), m_searchTerms)) {
            QTextCursor c(m_preview->document());
            c.setPosition(int(r.start));
            c.setPosition(int(r.start + r.length), QTextCursor::KeepAnchor);
            marks.append({c, look});
        }
    }
    m_preview->setExtraSelections(marks);
    if (!marks.isEmpty()) {
        // The first hit in view, without selecting it.
        QTextCursor first(m_preview->document());
        first.setPosition(marks.first().cursor.selectionStart());
        m_preview->setTextCursor(first);
        m_preview->ensureCursorVisible();
    }
}
