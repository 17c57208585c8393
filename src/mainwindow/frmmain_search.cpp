// Search: the toolbar's box, the results in the note list, the hits marked in the preview.
#include "mainwindow/frmmain.h"

#include "base/Logging.h"
#include "controls/SortHeader.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/NotebookWorker.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SearchBox.h"
#include "mainwindow/SkinPane.h"
#include "search/NoteText.h"
#include "settings/Settings.h"
#include "store/Notebook.h"
#include "store/NoteSearch.h"
#include "store/SearchText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolBar>

#include <memory>

namespace {
// Enough for anyone to read through; the status strip says when more matched.
constexpr int kShownResults = 500;
// Fewer notes waiting than this are indexed by the first search, in well under a second.
constexpr qint64 kWorkerBacklog = 200;
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
    connect(m_indexStatus, &QLabel::linkActivated, this, [this] {
        if (m_indexBuild) {
            m_indexBuild->cancel();
            m_indexStatus->setText(QStringLiteral("正在停止建立索引..."));
        }
    });
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
    const QString query = m_searchBox->query();
    if (!m_indexBuild && !m_searchRun) {
        const std::optional<SearchResult> result = NoteSearch(m_db).find(query, options);
        fillResults(result.value_or(SearchResult{}), result ? QString() : m_db.lastError(), noteId);
        return;
    }
    // While the index is being built, a search may have to read thousands of waiting notes one by
    // one: it runs on a worker, and the list follows when it is done. Queries asked for meanwhile
    // come down to the last one.
    m_noteCount->setText(QStringLiteral("正在搜索..."));
    if (m_searchRun) {
        m_searchAgain = noteId;
        return;
    }
    auto result = std::make_shared<SearchResult>();
    auto error = std::make_shared<QString>();
    const auto work = [query, options, result, error](Notebook &db, NotebookWorker &) {
        std::optional<SearchResult> found = db.isOpen() ? NoteSearch(db).find(query, options) : std::nullopt;
        if (found)
            *result = std::move(*found);
        else
            *error = db.lastError();
    };
    const auto done = [this, query, result, error, noteId] {
        m_searchRun->deleteLater();
        m_searchRun = nullptr;
        if (const std::optional<qint64> again = std::exchange(m_searchAgain, std::nullopt))
            refreshResults(*again);
        else if (m_searchBox->query() == query) // not ended or changed meanwhile
            fillResults(*result, *error, noteId);
    };
    m_searchRun = new NotebookWorker(m_notebook->path(), NoteText::extractor(), work, done, this);
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
    // A search still on its way is dropped when it arrives (the box no longer asks for it).
    m_searchAgain.reset();
    if (!m_showingResults && !m_searchRun)
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

void frmmain::startIndexBuild()
{
    stopIndexWork();
    // Nothing is built into a file known to be damaged (the worker's own store would not know).
    const bool writable = m_db.isOpen() && !m_db.readOnly() && m_db.writesRefused().isEmpty();
    const qint64 waiting = writable ? NoteSearch(m_db).unindexed() : 0;
    if (waiting < kWorkerBacklog)
        return;
    m_indexStatus->setText(QStringLiteral("正在建立搜索索引..."));
    m_indexStatus->show();
    auto error = std::make_shared<QString>();
    const auto work = [this, error](Notebook &db, NotebookWorker &worker) {
        const auto progress = [this, &worker](qint64 done, qint64 total) {
            const qint64 percent = total > 0 ? done * 100 / total : 100;
            worker.post([this, percent] {
                m_indexStatus->setText(
                    QStringLiteral("正在建立搜索索引 %1% <a href=\"cancel\">取消</a>").arg(percent));
            });
        };
        // What is done stays done: a cancelled or failed build resumes at the next open.
        if (!db.isOpen() || !NoteSearch(db).buildIndex(progress, worker.cancelled()))
            *error = db.lastError();
    };
    const auto done = [this, error, waiting] {
        const bool cancelled = m_indexBuild->cancelled()->load();
        m_indexBuild->deleteLater();
        m_indexBuild = nullptr;
        m_indexStatus->hide();
        if (error->isEmpty() || cancelled)
            return;
        // Given up on a lock held too long by another program, say: carry on while it gets on.
        qCInfo(lcStore) << "search index left unfinished:" << *error;
        if (NoteSearch(m_db).unindexed() < waiting)
            startIndexBuild();
    };
    m_indexBuild = new NotebookWorker(m_notebook->path(), NoteText::extractor(), work, done, this);
}

void frmmain::stopIndexWork()
{
    delete m_indexBuild;
    m_indexBuild = nullptr;
    delete m_searchRun;
    m_searchRun = nullptr;
    m_searchAgain.reset();
    if (m_indexStatus)
        m_indexStatus->hide();
}
