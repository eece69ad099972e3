#include "views/CActionModel.h"

#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "framework/TimeText.h"

namespace tessaron {

CActionModel::CActionModel(CChordwayDoc& doc, QObject* parent)
    : QAbstractTableModel(parent), doc_(&doc), rows_(doc.EventCount())
{
}

void CActionModel::SetDocument(CChordwayDoc& doc)
{
    doc_ = &doc;
    Rebuild();
}

void CActionModel::Rebuild()
{
    beginResetModel();
    rows_ = doc_->EventCount();
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, kWhenColumn, kWhenColumn);
}

int CActionModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int CActionModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CActionModel::data(const QModelIndex& index, int role) const
{
    // The rows the view knows may outlast a change of the list until the rebuild that follows.
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= doc_->EventCount()) {
        return {};
    }
    const CAction& action = *doc_->EventAt(index.row());
    switch (index.column()) {
    case kEventColumn: return QString::fromStdString(action.Name());
    case kMediaColumn: return action.Medium() ? QString::fromStdString(action.Medium()->name) : QString();
    case kWhenColumn:
        return QString::fromStdString(doc_->TimeDisplay() ? time_text::FromMs(action.Start())
                                                          : action.Position().PositionText());
    default: return {};
    }
}

QVariant CActionModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case kEventColumn: return QStringLiteral("Event");
    case kMediaColumn: return QStringLiteral("Media");
    case kWhenColumn: return doc_->TimeDisplay() ? QStringLiteral("Time") : QStringLiteral("Bar");
    default: return {};
    }
}

}  // namespace tessaron
