#include "views/CActionView.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "song/CChordwayDoc.h"
#include "song/IDocumentObserver.h"
#include "views/CActionModel.h"
#include "views/CEventDlg.h"

namespace tessaron {

CActionView::CActionView(CChordwayDoc& doc, QWidget* parent)
    : QTableView(parent), doc_(&doc), model_(new CActionModel(doc, this))
{
    setObjectName(QStringLiteral("EventList"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(CActionModel::kEventColumn, 60);
    setColumnWidth(CActionModel::kMediaColumn, 160);
    connect(this, &QTableView::doubleClicked, this, [this] { EditSelected(); });
}

void CActionView::SetDocument(CChordwayDoc& doc)
{
    doc_ = &doc;
    model_->SetDocument(doc);
}

void CActionView::Rebuild() { model_->Rebuild(); }

void CActionView::UpdateHint(int hint)
{
    if (hint == view_hint::kEventRecorded || hint == view_hint::kDisplayInBars || hint == view_hint::kDisplayInTime) {
        Rebuild();
    }
}

void CActionView::SelectFired(int index)
{
    if (index < 0 || index >= model_->rowCount()) {
        return;
    }
    const QModelIndex row = model_->index(index, 0);
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(row);
}

int CActionView::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

bool CActionView::DeleteSelected()
{
    QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return false;
    }
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() > b.row(); });
    for (const QModelIndex& row : rows) {
        if (row.row() < doc_->EventCount()) {
            doc_->DeleteEventWithUndo(row.row());
        }
    }
    doc_->ComputeSongLength();
    Rebuild();
    Changed();
    return true;
}

bool CActionView::EditSelected()
{
    const int row = SelectedRow();
    if (row < 0 || row >= doc_->EventCount()) {
        return false;
    }
    CEventDlg dialog(*doc_, row, this);
    dialog.exec();
    Rebuild();
    if (dialog.LastIndex() >= 0) {
        SelectFired(dialog.LastIndex());
    }
    Changed();
    return true;
}

void CActionView::AddEvents()
{
    CEventDlg dialog(*doc_, -1, this);
    if (!dialog.HasWork()) {
        return;
    }
    dialog.exec();
    Rebuild();
    if (dialog.LastIndex() >= 0) {
        SelectFired(dialog.LastIndex());
    }
    Changed();
}

void CActionView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        DeleteSelected();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        EditSelected();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CActionView::Changed()
{
    if (onChanged_) {
        onChanged_();
    }
}

}  // namespace tessaron
