#include "views/CWaveEditWnd.h"

#include <algorithm>
#include <mutex>

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "views/CEffectParamDlg.h"
#include "views/EffectDialogTable.h"

namespace tessaron {

namespace {

constexpr int kPollMs = 40;

const QColor kBlack(0, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);

struct CommandRow {
    int id;
    const char* text;
    QKeyCombination key = Qt::Key_unknown;
    QKeyCombination otherKey = Qt::Key_unknown;
};

// The editor's commands and keys, in menu order.
const CommandRow kCommands[] = {
    {CWaveEditWnd::kPlay, "&Play", Qt::Key_Return, Qt::Key_Enter},
    {CWaveEditWnd::kPlayLoop, "Play &Loop", Qt::Key_Space},
    {CWaveEditWnd::kStop, "&Stop", Qt::Key_Backspace},
    {CWaveEditWnd::kMute, "&Mute", Qt::Key_Escape},
    {0, nullptr},
    {CWaveEditWnd::kCrop, "&Crop", Qt::CTRL | Qt::Key_P},
    {CWaveEditWnd::kSilence, "&Silence", Qt::CTRL | Qt::Key_E},
    {CWaveEditWnd::kCut, "&Cut", Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete},
    {CWaveEditWnd::kCopy, "&Copy", Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert},
    {CWaveEditWnd::kPaste, "&Paste", Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert},
    {CWaveEditWnd::kUndo, "&Undo", Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace},
    {CWaveEditWnd::kSave, "&Save", Qt::CTRL | Qt::Key_S},
    {0, nullptr},
    {CWaveEditWnd::kReverse, "&Reverse", Qt::Key_R},
    {CWaveEditWnd::kNormalise, "&Normalise", Qt::Key_N},
};

// The effects with a parameter dialog, in the order of the effects menu.
const CommandRow kEffects[] = {
    {32861, "Gain"},  {32862, "Noise Gate"}, {32863, "Compression"}, {32864, "Expansion"},
    {32865, "Low Pass"}, {32866, "High Pass"}, {32867, "Comb"},    {32869, "Resonnant"},
    {32875, "Delay"}, {32876, "Echo"},      {32877, "Distorsion"}, {32881, "Metal"},
};

bool IsEffect(int id) { return id >= kFirstEffectCommand && id < kFirstEffectCommand + kEffectCommandCount; }

bool ChangesSound(int id)
{
    return IsEffect(id) || id == CWaveEditWnd::kCrop || id == CWaveEditWnd::kSilence || id == CWaveEditWnd::kCut ||
           id == CWaveEditWnd::kPaste || id == CWaveEditWnd::kUndo || id == CWaveEditWnd::kSave;
}

}  // namespace

CWaveEditWnd::CWaveEditWnd(CChordwayDoc& doc, CScheduler& scheduler, CSamples& sample, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc), scheduler_(scheduler), session_(doc, sample), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("WaveEditor"));
    setMinimumSize(120, 60);
    resize(720, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (sample.SampleData() == nullptr) {
        doc_.LoadMediumData(sample, true);  // a refusal was shown; the window stays empty
    }
    BuildActions();
    RefreshTitle();
    connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_->start(kPollMs);
}

CWaveEditWnd::~CWaveEditWnd() { job_.reset(); }

void CWaveEditWnd::BuildActions()
{
    for (const CommandRow& row : kCommands) {
        if (row.text == nullptr) {
            continue;
        }
        auto* action = new QAction(QString::fromUtf8(row.text), this);
        action->setObjectName(QStringLiteral("wave%1").arg(row.id));
        action->setData(row.id);
        QList<QKeySequence> keys;
        for (const QKeyCombination key : {row.key, row.otherKey}) {
            if (key.key() != Qt::Key_unknown) {
                keys.append(QKeySequence(key));
            }
        }
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, id = row.id] { RunCommand(id); });
        addAction(action);
    }
}

wave::ByteRange CWaveEditWnd::Range() const
{
    return selection_.Bytes(width(), session_.DataSize(), session_.BlockAlign());
}

void CWaveEditWnd::RefreshTitle()
{
    const CSamples& sample = Sample();
    QString title = QString::fromStdString(wave::Title(sample.name, sample.tempo, sample.GetDuration(),
                                                       sample.GetDataSize(), sample.GetBytesPerSecond()));
    if (Busy()) {
        title += QStringLiteral(" (processing)");
    }
    setWindowTitle(title);
}

void CWaveEditWnd::Edited(bool changed)
{
    if (changed) {
        SoundChanged();
    }
    RefreshTitle();
    update();
}

void CWaveEditWnd::SoundChanged()
{
    peaksValid_ = false;
    cacheValid_ = false;
    update();
}

void CWaveEditWnd::RunCommand(int id)
{
    if (Busy() && ChangesSound(id)) {
        return;  // one change at a time: an effect is still working on the sound
    }
    switch (id) {
    case kPlay: Play(1); return;
    case kPlayLoop: PlayLoopFromCursor(); return;
    case kStop: Stop(); return;
    case kMute: ToggleMute(); return;
    case kCrop:
        if (session_.Crop(Range())) {
            selection_.Clear();
            Edited(true);
        }
        return;
    case kSilence: Edited(session_.Silence(Range())); return;
    case kCut:
        if (session_.Cut(Range())) {
            selection_.Clear();
            Edited(true);
        }
        return;
    case kCopy: session_.Copy(Range()); return;
    case kPaste:
        Edited(session_.Paste(wave::ColumnToByte(selection_.Cursor(), width(), session_.DataSize(), session_.BlockAlign())));
        return;
    case kUndo:
        if (session_.Undo()) {
            selection_.Clear();
            Edited(true);
        }
        return;
    case kSave: Save(); return;
    default: break;
    }
    if (!IsEffect(id)) {
        return;
    }
    // Effects with values ask for them first; Cancel abandons the effect.
    if (EffectDialogTable::Find(id) == nullptr) {
        RunEffect(id, EffectParameters{});
        return;
    }
    CEffectParamDlg dialog(id, this);
    if (dialog.exec() == QDialog::Accepted) {
        RunEffect(id, dialog.Values());
    }
}

void CWaveEditWnd::RunEffect(int command, EffectParameters parameters)
{
    if (Busy()) {
        return;
    }
    if (session_.DataSize() > CWaveEditSession::kBackgroundBytes) {
        job_ = session_.StartEffect(command, parameters, Range());
        if (job_) {
            setCursor(Qt::BusyCursor);
            RefreshTitle();
        }
        return;
    }
    Edited(session_.Effect(command, parameters, Range()));
}

void CWaveEditWnd::Poll()
{
    // A medium taken out of the song takes its editor with it.
    if (ListPosition() < 0 && !job_) {
        close();
        return;
    }
    if (job_ && job_->Done()) {
        const bool changed = session_.FinishEffect(*job_);
        job_.reset();
        unsetCursor();
        Edited(changed);
    }
    // The sound may change elsewhere too (an effect from the media list, a new tempo).
    if (Sample().GetPcm() != shownPcm_ || session_.DataSize() != shownSize_) {
        SoundChanged();
        RefreshTitle();
    }
    const CSamples& sample = Sample();
    const int column = sample.IsDevicePlaying()
                           ? wave::ColumnOfByte(sample.GetPlayCursor(), width(), session_.DataSize())
                           : -1;
    if (column != playColumn_) {
        playColumn_ = column;
        update();
    }
}

int32_t CWaveEditWnd::ListPosition() const
{
    for (int i = 0; i < doc_.MediaCount(); ++i) {
        if (doc_.MediumAt(i) == &Sample()) {
            return i;
        }
    }
    return -1;
}

void CWaveEditWnd::Play(int mode)
{
    scheduler_.StartRecordingClock();
    scheduler_.Play(&Sample(), ListPosition(), mode);
}

void CWaveEditWnd::PlayLoopFromCursor()
{
    scheduler_.StartRecordingClock();
    {
        std::lock_guard guard(doc_.Lock());
        if (CSampleData* data = Sample().SampleData()) {
            data->SetPlayCursor(
                wave::ColumnToByte(selection_.Cursor(), width(), session_.DataSize(), session_.BlockAlign()));
        }
    }
    scheduler_.Play(&Sample(), ListPosition(), 2);
}

void CWaveEditWnd::Stop() { scheduler_.Stop(&Sample(), ListPosition()); }

void CWaveEditWnd::ToggleMute()
{
    std::lock_guard guard(doc_.Lock());
    if (Sample().muteFlag != 0) {
        Sample().Unmute();
    } else {
        Sample().Mute();
    }
}

void CWaveEditWnd::Save()
{
    QString path = savePath_;
    if (path.isEmpty()) {
        path = QFileDialog::getSaveFileName(this, QStringLiteral("Save"), QString::fromStdString(Sample().filePath),
                                            QStringLiteral("Wave files (*.wav)"));
    }
    if (path.isEmpty()) {
        return;
    }
    std::string error;
    if (!session_.Save(path.toStdString(), &error)) {
        QMessageBox::warning(this, QStringLiteral("Tessaron"),
                             QStringLiteral("%1 could not be written: %2").arg(path, QString::fromStdString(error)));
    }
    Edited(false);
}

QMenu* CWaveEditWnd::MakeMenu()
{
    auto* menu = new QMenu(this);
    for (const CommandRow& row : kCommands) {
        if (row.text == nullptr) {
            menu->addSeparator();
            continue;
        }
        for (QAction* action : actions()) {
            if (action->data().toInt() == row.id) {
                menu->addAction(action);
            }
        }
    }
    QMenu* effects = menu->addMenu(QStringLiteral("Effects"));
    for (const CommandRow& row : kEffects) {
        effects->addAction(QString::fromUtf8(row.text), this, [this, id = row.id] { RunCommand(id); })->setData(row.id);
    }
    for (QAction* action : menu->actions()) {
        action->setEnabled(!Busy() || !ChangesSound(action->data().toInt()));
    }
    effects->setEnabled(!Busy());
    return menu;
}

void CWaveEditWnd::DrawStatic(QPainter& painter)
{
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), kBlack);
    const CSamples& sample = Sample();
    if (!peaksValid_ || static_cast<int>(peaks_.Columns().size()) != w) {
        const CSampleData* data = sample.SampleData();
        shownPcm_ = sample.GetPcm();
        shownSize_ = session_.DataSize();
        if (data != nullptr) {
            peaks_.Compute(shownPcm_, shownSize_, data->Channels(), data->BitsPerSample(), w);
        } else {
            peaks_.Clear();
        }
        peaksValid_ = true;
        ++peakComputations_;
    }
    if (peaks_.Empty()) {
        painter.setPen(kWhite);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No sound loaded"));
        return;
    }
    // Full scale fills the height; the middle line is silence.
    const double middle = h / 2.0;
    const double scale = (h / 2.0 - 1.0) / 32768.0;
    painter.setPen(kGreen.darker(250));
    painter.drawLine(0, static_cast<int>(middle), w, static_cast<int>(middle));
    painter.setPen(kGreen);
    const auto& columns = peaks_.Columns();
    for (int x = 0; x < w; ++x) {
        const auto& column = columns[static_cast<size_t>(x)];
        const int top = static_cast<int>(middle - column.high * scale);
        const int bottom = static_cast<int>(middle - column.low * scale);
        painter.drawLine(x, top, x, std::max(top, bottom));
    }
}

void CWaveEditWnd::PaintInto(QPainter& painter)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (!cacheValid_ || !peaksValid_ || cache_.size() != pixels) {
        if (cache_.size() != pixels) {
            cache_ = QPixmap(pixels);
        }
        cache_.setDevicePixelRatio(ratio);
        QPainter layer(&cache_);
        DrawStatic(layer);
        cacheValid_ = true;
    }
    painter.drawPixmap(0, 0, cache_);
    // Selection and cursors are drawn inverted over the waveform.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (!selection_.Empty()) {
        painter.fillRect(QRect(selection_.Left(), 0, selection_.Right() - selection_.Left(), height()), kWhite);
    }
    painter.fillRect(QRect(selection_.Cursor(), 0, 1, height()), kWhite);
    if (playColumn_ >= 0) {
        painter.fillRect(QRect(playColumn_, 0, 2, height()), kBlue);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CWaveEditWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (ListPosition() < 0) {
        // The song let the sample go (a new song is being read): nothing of it is touched.
        painter.fillRect(rect(), kBlack);
        return;
    }
    PaintInto(painter);
}

void CWaveEditWnd::resizeEvent(QResizeEvent* event)
{
    // The selection's columns stood for bytes at the old width.
    selection_.Clear();
    selection_.SetCursor(0);
    cacheValid_ = false;
    QWidget::resizeEvent(event);
}

void CWaveEditWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    selection_.Press(std::clamp(event->position().toPoint().x(), 0, width()));
    update();
}

void CWaveEditWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || !selection_.Pressed()) {
        return;
    }
    selection_.Move(event->position().toPoint().x(), width());
    update();
}

void CWaveEditWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !selection_.Pressed()) {
        return;
    }
    selection_.Up(std::clamp(event->position().toPoint().x(), 0, width()));
    update();
}

void CWaveEditWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (Sample().IsDevicePlaying()) {
        Stop();
    } else {
        Play(0);
    }
}

void CWaveEditWnd::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = MakeMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CWaveEditWnd::closeEvent(QCloseEvent* event)
{
    // An effect still working finishes first, so that its result is not lost.
    if (job_) {
        job_->Wait();
        Poll();
    }
    timer_->stop();
    event->accept();
}

}  // namespace tessaron
