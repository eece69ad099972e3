#pragma once

#include <cstdint>
#include <memory>

#include <QPixmap>
#include <QWidget>

#include "views/CWaveEditSession.h"
#include "views/WaveMapping.h"
#include "views/WavePeaks.h"

class QMenu;
class QTimer;

namespace tessaron {

class CChordwayDoc;
class CMedia;
class CSamples;
class CScheduler;

// The wave editor: a window of its own showing one sample's waveform. A range is selected with
// the mouse and played, cut, copied, pasted, cropped, silenced, processed by an effect or
// saved; each edit can be undone. Runs on the user-interface thread.
class CWaveEditWnd : public QWidget {
    Q_OBJECT

public:
    // Command ids, as the editor's menu and keys number them.
    enum Command : int {
        kPlayLoop = 1, kPlay = 32020, kStop = 32021, kMute = 32912, kCrop = 32911, kSilence = 32917,
        kCut = 57635, kCopy = 57634, kPaste = 57637, kUndo = 57643, kSave = 32914,
        kNormalise = 32860, kReverse = 32878,
    };

    CWaveEditWnd(CChordwayDoc& doc, CScheduler& scheduler, CSamples& sample, QWidget* parent = nullptr);
    ~CWaveEditWnd() override;

    CSamples& Sample() const { return session_.Sample(); }
    CWaveEditSession& Session() { return session_; }
    wave::Selection& Selection() { return selection_; }
    // The range the commands work on: the selection's bytes, or the whole sound.
    wave::ByteRange Range() const;
    // Runs a command as its key or menu item does. Effects ask for their parameters first.
    void RunCommand(int id);
    // Runs an effect with given parameters (no dialog); on a long sound it runs on a worker
    // and Busy() holds until it is done.
    void RunEffect(int command, EffectParameters parameters);
    bool Busy() const { return job_ != nullptr; }
    // Where the save command writes, asked by the save dialog unless set (tests).
    void SetSavePath(const QString& path) { savePath_ = path; }
    // The editor's popup menu; the caller owns it.
    QMenu* MakeMenu();
    // Paints the window into `painter` (the benchmark's entry; a paint event does the same).
    void PaintInto(QPainter& painter);
    // The summary was made again (counts the computations, for the tests).
    int PeakComputations() const { return peakComputations_; }
    // The sound changed outside the editor: the waveform is read again.
    void SoundChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildActions();
    void RefreshTitle();
    void Edited(bool changed);
    void Play(int mode);
    void PlayLoopFromCursor();
    void Stop();
    void ToggleMute();
    void Save();
    void Poll();
    int32_t ListPosition() const;
    void DrawStatic(QPainter& painter);

    CChordwayDoc& doc_;
    CScheduler& scheduler_;
    CWaveEditSession session_;
    wave::Selection selection_;
    WavePeaks peaks_;
    bool peaksValid_ = false;
    int peakComputations_ = 0;
    QPixmap cache_;
    bool cacheValid_ = false;
    QTimer* timer_;
    int playColumn_ = -1;
    const uint8_t* shownPcm_ = nullptr;  // the sound the summary was made from
    int32_t shownSize_ = 0;
    std::unique_ptr<CWaveEditSession::EffectJob> job_;
    QString savePath_;
};

}  // namespace tessaron
