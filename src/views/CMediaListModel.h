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
// dragged out as the medium's list position (the piano view binds it to a key).
class CMediaListModel : public QAbstractTableModel {
public:
    enum Column { kMediaColumn = 0, kTempoColumn, kKeyColumn, kTimeColumn, kInfoColumn, kColumnCount };
    // The state icons, by their place in the strip.
    enum class StateIcon { None = 0, Loaded = 1, Playing = 2, Armed = 3 };
    static constexpr const char* kMediumMimeType = "application/x-tessaron-medium";

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

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::LinkAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }

private:
    CChordwayDoc* doc_;
    int rows_ = 0;  // the count the view was last told of
    QColor text_;
    QColor background_;
    QIcon icons_[4];
};

}  // namespace tessaron
