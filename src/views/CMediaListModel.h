#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QString>

namespace tessaron {

class CChordwayDoc;
class CMedia;

// The song's media as rows of the media list: "Media" (name and state icon), "Tempo", "Key",
// "Time" or "Bar" (play length), "Info" (channels, rate and size, or "midi"). A row can be
// dragged out as the medium's list position (the piano view binds it to a key), or dropped
// back on the list, which moves the medium to the drop place in the song's media order.
class CMediaListModel : public QAbstractTableModel {
public:
    enum Column { kMediaColumn = 0, kTempoColumn, kKeyColumn, kTimeColumn, kInfoColumn, kColumnCount };
    // The state icons, by their place in the strip.
    enum class StateIcon { None = 0, Loaded = 1, Playing = 2, Armed = 3 };
    static constexpr const char* kMediumMimeType = "application/x-tessaron-medium";
    // Which list (program and list) a dragged row comes from.
    static constexpr const char* kListMimeType = "application/x-tessaron-medium-list";

    explicit CMediaListModel(CChordwayDoc& doc, QObject* parent = nullptr);

    void SetDocument(CChordwayDoc& doc);
    CChordwayDoc& Doc() const { return *doc_; }
    // Every row again (a song opened, media added or removed, a change of display).
    void Rebuild();
    // One row again (a medium changed or changed state).
    void RefreshRow(int row);
    // Text and background of the rows: the MEDIA colours of the skin.
    void SetColours(const QColor& text, const QColor& background);

    // Texts of the columns, as the rows show them.
    static QString TempoText(const CMedia& medium);
    static QString KeyText(const CMedia& medium);
    static QString TimeText(const CMedia& medium, bool timeDisplay, float songTempo);
    static QString InfoText(const CMedia& medium);
    static StateIcon IconOf(const CMedia& medium);
    // The list position a row drag carries; -1 when the data holds none.
    static int MediumRowFromMime(const class QMimeData* data);
    // Whether dragged data is a row of this list.
    bool FromThisList(const QMimeData* data) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::MoveAction; }
    // A row dropped before row `row` (or on `parent`'s row; at the end for neither) moves its
    // medium there, as one step that undo takes back.
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // Moves one medium (count 1) in the song's media list to before `destinationChild`.
    // A move that leaves the order as it is answers false.
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                  int destinationChild) override;
    // Rows are never removed by the item view's own clean-up after a move (the medium went
    // through moveRows); deleting media is the list's Delete command.
    bool removeRows(int, int, const QModelIndex& = {}) override { return false; }

private:
    QByteArray ListIdentity() const;

    CChordwayDoc* doc_;
    int rows_ = 0;  // the count the view was last told of
    QColor text_;
    QColor background_;
    QIcon icons_[4];
};

}  // namespace tessaron
