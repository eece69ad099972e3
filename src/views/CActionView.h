#pragma once

#include <functional>

#include <QTableView>

namespace tessaron {

class CActionModel;
class CChordwayDoc;

// The event list pane: one row per recorded event, the firing event selected as the song
// plays, Delete removes the selected events (undo brings them back), Enter or a double click
// edits one in the "Event" dialog.
class CActionView : public QTableView {
public:
    explicit CActionView(CChordwayDoc& doc, QWidget* parent = nullptr);

    void SetDocument(CChordwayDoc& doc);
    CActionModel& Model() { return *model_; }
    // Update hints of the song: 5 rebuilds the rows, 2 and 3 switch the third column.
    void UpdateHint(int hint);
    void Rebuild();
    // Message 1029: selects the row of the event that fired.
    void SelectFired(int index);
    // The selected row, -1 when none.
    int SelectedRow() const;
    // Deletes the selected events with undo; false when none is selected.
    bool DeleteSelected();
    // Opens the "Event" dialog on the selected event; false when none is selected.
    bool EditSelected();
    // Opens the "Event" dialog to add events.
    void AddEvents();
    // Called after the view changed the song (the frame refreshes panes and commands).
    void OnChanged(std::function<void()> handler) { onChanged_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Changed();

    CChordwayDoc* doc_;
    CActionModel* model_;
    std::function<void()> onChanged_;
};

}  // namespace tessaron
