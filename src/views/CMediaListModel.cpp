#include "views/CMediaListModel.h"

#include <algorithm>

#include <QCoreApplication>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include "framework/TimeText.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CMesure.h"

namespace tessaron {

namespace {

constexpr const char* kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr double kBytesPerMegabyte = 1048576.0;

// The four 16-pixel icons of the state strip: none, loaded, playing, armed.
QIcon DrawStateIcon(CMediaListModel::StateIcon which)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case CMediaListModel::StateIcon::None: break;
    case CMediaListModel::StateIcon::Loaded:
        painter.setPen(QColor(30, 60, 120));
        painter.setBrush(QColor(70, 130, 220));
        painter.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 2, 2);
        break;
    case CMediaListModel::StateIcon::Playing: {
        painter.setPen(QColor(20, 90, 20));
        painter.setBrush(QColor(40, 190, 60));
        const QPointF triangle[3] = {{4, 2.5}, {13.5, 8}, {4, 13.5}};
        painter.drawPolygon(triangle, 3);
        break;
    }
    case CMediaListModel::StateIcon::Armed:
        painter.setPen(QColor(140, 70, 0));
        painter.setBrush(QColor(250, 160, 30));
        painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        break;
    }
    return QIcon(pixmap);
}

}  // namespace

CMediaListModel::CMediaListModel(CChordwayDoc& doc, QObject* parent)
    : QAbstractTableModel(parent), doc_(&doc), rows_(doc.MediaCount())
{
    for (int i = 0; i < 4; ++i) {
        icons_[i] = DrawStateIcon(static_cast<StateIcon>(i));
    }
}

void CMediaListModel::SetDocument(CChordwayDoc& doc)
{
    doc_ = &doc;
    Rebuild();
}

void CMediaListModel::Rebuild()
{
    beginResetModel();
    rows_ = doc_->MediaCount();
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, kTimeColumn, kTimeColumn);
}

void CMediaListModel::RefreshRow(int row)
{
    if (row < 0 || row >= rows_) {
        return;
    }
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void CMediaListModel::SetColours(const QColor& text, const QColor& background)
{
    text_ = text;
    background_ = background;
    if (rows_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, kColumnCount - 1));
    }
}

QString CMediaListModel::TempoText(const CMedia& medium)
{
    return QString::asprintf("%3.1f", static_cast<double>(medium.effectiveTempo));
}

QString CMediaListModel::KeyText(const CMedia& medium)
{
    const int key = medium.midiNote;
    const int octave = key >= 0 && key / 12 <= 10 ? key / 12 : 0;
    const char* name = kNoteNames[((key % 12) + 12) % 12];
    return QString::fromStdString(medium.PcKeyText()) + QStringLiteral(" / ") +
           QString::asprintf("%s%d", name, octave);
}

QString CMediaListModel::TimeText(const CMedia& medium, bool timeDisplay, float songTempo)
{
    const int length = medium.GetPlayLength();
    if (timeDisplay) {
        QString text = QString::fromStdString(time_text::FromMs(length));
        if (medium.IsContinuousLoop()) {
            text += QStringLiteral("/cont.");
        }
        return text;
    }
    // A sample counts its bars at its own tempo, anything else at the song's.
    const float tempo = medium.kind == CMedia::kKindSample && medium.tempo > 0.0f ? medium.tempo : songTempo;
    CMesure bars;
    bars.FromMs(length, tempo);
    return QString::fromStdString(bars.PositionText());
}

QString CMediaListModel::InfoText(const CMedia& medium)
{
    if (medium.kind == CMedia::kKindMidi) {
        return QStringLiteral("midi");
    }
    const int channels = medium.GetChannels();
    const char letter = channels == 0 ? '?' : channels == 1 ? 'M' : 'S';
    return QString::asprintf("%c%lu / %.1fMo", letter, static_cast<unsigned long>(std::max(0, medium.sampleRate)),
                             static_cast<double>(medium.dataSize) / kBytesPerMegabyte);
}

CMediaListModel::StateIcon CMediaListModel::IconOf(const CMedia& medium)
{
    if (medium.IsArmed()) {
        return StateIcon::Armed;
    }
    if ((medium.state & 0xFF) == CMedia::kStateReset) {
        return StateIcon::None;
    }
    if (medium.IsPlaying()) {
        return StateIcon::Playing;
    }
    return medium.loaded == 1 ? StateIcon::Loaded : StateIcon::None;
}

int CMediaListModel::MediumRowFromMime(const QMimeData* data)
{
    if (data == nullptr || !data->hasFormat(QString::fromLatin1(kMediumMimeType))) {
        return -1;
    }
    bool ok = false;
    const int row = QString::fromLatin1(data->data(QString::fromLatin1(kMediumMimeType))).trimmed().toInt(&ok);
    return ok && row >= 0 ? row : -1;
}

int CMediaListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int CMediaListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CMediaListModel::data(const QModelIndex& index, int role) const
{
    // The rows the view knows may outlast a change of the list until the rebuild that follows.
    if (!index.isValid() || index.row() >= doc_->MediaCount()) {
        return {};
    }
    const CMedia& medium = *doc_->MediumAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kMediaColumn: return QString::fromStdString(medium.name);
        case kTempoColumn: return TempoText(medium);
        case kKeyColumn: return KeyText(medium);
        case kTimeColumn: return TimeText(medium, doc_->TimeDisplay(), doc_->EffectiveTempo());
        case kInfoColumn: return InfoText(medium);
        default: return {};
        }
    case Qt::DecorationRole:
        return index.column() == kMediaColumn ? QVariant(icons_[static_cast<int>(IconOf(medium))]) : QVariant();
    case Qt::ForegroundRole: return text_.isValid() ? QVariant(text_) : QVariant();
    case Qt::BackgroundRole: return background_.isValid() ? QVariant(background_) : QVariant();
    case Qt::ToolTipRole: return QString::fromStdString(medium.filePath);
    default: return {};
    }
}

QVariant CMediaListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case kMediaColumn: return QStringLiteral("Media");
    case kTempoColumn: return QStringLiteral("Tempo");
    case kKeyColumn: return QStringLiteral("Key");
    case kTimeColumn: return doc_->TimeDisplay() ? QStringLiteral("Time") : QStringLiteral("Bar");
    case kInfoColumn: return QStringLiteral("Info");
    default: return {};
    }
}

Qt::ItemFlags CMediaListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid()) {
        result |= Qt::ItemIsDragEnabled;
    }
    return result | Qt::ItemIsDropEnabled;
}

QStringList CMediaListModel::mimeTypes() const
{
    return {QString::fromLatin1(kMediumMimeType), QStringLiteral("text/uri-list")};
}

QMimeData* CMediaListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty()) {
        return nullptr;
    }
    // One medium per drag: the row the drag started from.
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMediumMimeType), QByteArray::number(indexes.front().row()));
    data->setData(QString::fromLatin1(kListMimeType), ListIdentity());
    return data;
}

QByteArray CMediaListModel::ListIdentity() const
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(this));
}

bool CMediaListModel::FromThisList(const QMimeData* data) const
{
    return data != nullptr && data->data(QString::fromLatin1(kListMimeType)) == ListIdentity();
}

bool CMediaListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                      const QModelIndex&) const
{
    // A row position means something only in the list it came from: a drag from another
    // program's list carries the place of a medium of another song.
    const int row = MediumRowFromMime(data);
    return action == Qt::MoveAction && FromThisList(data) && row >= 0 && row < doc_->MediaCount();
}

bool CMediaListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                   const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent)) {
        return false;
    }
    // Dropped on a row: before it; between rows: there; elsewhere: at the end.
    int before = row >= 0 ? row : parent.isValid() ? parent.row() : rows_;
    before = std::clamp(before, 0, rows_);
    return moveRows({}, MediumRowFromMime(data), 1, {}, before);
}

bool CMediaListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                               const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || rows_ != doc_->MediaCount() ||
        sourceRow < 0 || sourceRow >= rows_ || destinationChild < 0 || destinationChild > rows_ ||
        destinationChild == sourceRow || destinationChild == sourceRow + 1) {
        return false;
    }
    if (!beginMoveRows({}, sourceRow, sourceRow, {}, destinationChild)) {
        return false;
    }
    // The document counts the place without the medium.
    doc_->MoveMedium(sourceRow, destinationChild > sourceRow ? destinationChild - 1 : destinationChild);
    endMoveRows();
    return true;
}

}  // namespace tessaron
