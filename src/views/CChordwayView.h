#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QStringList>
#include <QTableView>

#include "skin/SkinMainValues.h"

class QTimer;

namespace tessaron {

class CChordwayDoc;
class CMedia;
class CMediaListModel;
class CSamples;
class CScheduler;
struct CSettings;

// The media list pane: one row per medium of the song. From it the user plays, stops, unloads,
// edits, deletes and processes media, starts the external editor on a medium's file, adds media
// by the "Add Media" dialog or by dropping files, and drags a row onto a piano key.
class CChordwayView : public QTableView {
public:
    // What the list needs from the window around it.
    struct Services {
        CScheduler* scheduler = nullptr;
        // The settings' working copy that is stored at close (start folders are written back).
        CSettings* settings = nullptr;
        // The names offered by the media dialog's "Device" list.
        std::function<QStringList()> audioDevices;
        std::function<QStringList()> midiPorts;
        // Opens the wave editor on a sample; empty while the program has none.
        std::function<void(CSamples&)> openWaveEditor;
        // Called after the list changed the song (the frame refreshes panes and commands).
        std::function<void()> changed;
    };

    // Command ids the list handles.
    enum Command : int {
        kEdit = 32016, kDelete = 32017, kSelectAll = 32011, kPlay = 32020, kStop = 32021, kUnload = 32022,
        kRunEditor = 32023, kActualise = 32024, kTempo = 32025, kAutoKey = 32026, kSaveWave = 32027,
        kDisplayWave = 32910, kAddSamples = 32050, kAddMidi = 32051, kEffectsFirst = 32860, kEffectsLast = 32881,
        kList = 61242, kDetails = 61243,
    };

    CChordwayView(CChordwayDoc& doc, Services services, QWidget* parent = nullptr);
    ~CChordwayView() override;

    void SetDocument(CChordwayDoc& doc);
    CChordwayDoc& Doc() const { return *doc_; }
    CMediaListModel& Model() { return *model_; }
    Services& Environment() { return services_; }

    // Whether the list runs `id`, and whether it can now.
    static bool Handles(int id);
    bool CommandEnabled(int id) const;
    void RunCommand(int id);

    // Update hints of the song: 2 and 3 switch the time column.
    void UpdateHint(int hint);
    // The media list changed (added, removed, loaded): rows again, selection kept where it can.
    void MediaChanged();
    void Rebuild();
    // Message 1059: a medium changed state; its row (and icon) again.
    void MediumStateChanged(const CMedia* medium);
    // The MEDIA colours of the skin.
    void ApplySkinColours(const skin::ColourPair& colours);

    // The selected rows in list order.
    std::vector<int> SelectedRows() const;
    std::vector<CMedia*> SelectedMedia() const;
    // Adds dropped files with the list's key rule; answers how many media were added.
    int DropFiles(const QStringList& paths);
    // The place before which a row dropped at `at` (viewport coordinates) lands.
    int DropRow(QPoint at) const;

    // The commands (also reachable through RunCommand).
    bool EditSelected();
    void DeleteSelected();
    void PlaySelected();
    void StopSelected();
    void UnloadSelected();
    void RunEditorOnSelected();
    void ActualiseSelected();
    void TempoOfSelected();
    void AutoKey();
    // Writes the first selected sample to `path` (asked with a file dialog when empty), once
    // its sound is in memory. False when nothing is to be written.
    bool SaveWave(const QString& path = {});
    void DisplayWave();
    // Effect `id` (32860..32881) on the selected samples, each once its sound is in memory;
    // with `parameters` given no dialog is shown. False when the effect was abandoned or
    // nothing was selected.
    bool ApplyEffect(int id, const std::vector<int>* parameters = nullptr);
    // "Add Media": the dialog for a sample file or a MIDI file; the new medium goes to the end.
    bool AddMedia(bool midi);
    void SetReportStyle(bool details);
    bool DetailsStyle() const { return details_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Letters and digits play media; they never jump to a row by its name.
    void keyboardSearch(const QString&) override {}

private:
    void Changed();
    void TellViews();
    bool OwnRowDrag(const QDropEvent* event) const;
    // After a medium moved to row `to`: selected there, the other views told.
    void MediaMoved(int to);
    void RefreshMedium(const CMedia* medium);
    // Runs `then` once the medium's sound is in memory: at once when it is, else after the
    // loader's thread opened it (never when it could not). Long files never hold the window.
    void WhenLoaded(CMedia& medium, std::function<void(CMedia&)> then);
    void CollectBackgroundLoads();
    void WriteWave(CSamples& sample, const QString& path);

    CChordwayDoc* doc_;
    Services services_;
    CMediaListModel* model_;
    QTimer* loadTimer_;
    // Media ids waiting for the loader, with what runs when each is in memory.
    std::map<int32_t, std::vector<std::function<void(CMedia&)>>> loading_;
    bool details_ = true;
};

}  // namespace tessaron
