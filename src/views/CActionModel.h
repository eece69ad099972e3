#pragma once

#include <QAbstractTableModel>

namespace tessaron {

class CChordwayDoc;

// The song's event list as rows: "Event" (the action's name), "Media" (its medium's name) and
// "Bar" or "Time" (its position, or its start in time display).
class CActionModel : public QAbstractTableModel {
public:
    enum Column { kEventColumn = 0, kMediaColumn = 1, kWhenColumn = 2, kColumnCount = 3 };

    explicit CActionModel(CChordwayDoc& doc, QObject* parent = nullptr);

    void SetDocument(CChordwayDoc& doc);
    // Every row again (an event recorded, a song opened, a change of display).
    void Rebuild();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    CChordwayDoc* doc_;
    int rows_ = 0;  // the count the view was last told of
};

}  // namespace tessaron
