#include "views/CChordwayView.h"

#include <algorithm>

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QUrl>

#include "effects/SampleEffect.h"
#include "framework/INotice.h"
#include "media/CMedia.h"
#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CSettings.h"
#include "song/IDocumentObserver.h"
#include "song/MediumFromFile.h"
#include "views/AutoKeyRule.h"
#include "views/CEffectParamDlg.h"
#include "views/CMediaDlg.h"
#include "views/CMediaListModel.h"
#include "views/EffectDialogTable.h"

namespace tessaron {

namespace {

constexpr int kLoadPollMs = 40;

// Column widths in pixels, in column order.
constexpr int kColumnWidths[CMediaListModel::kColumnCount] = {180, 75, 90, 110, 140};

QColor SkinColour(int32_t packed, QColor fallback)
{
    if (packed < 0) {
        return fallback;
    }
    const auto value = static_cast<uint32_t>(packed);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

}  // namespace

CChordwayView::CChordwayView(CChordwayDoc& doc, Services services, QWidget* parent)
    : QTableView(parent), doc_(&doc), services_(std::move(services)), model_(new CMediaListModel(doc, this)),
      loadTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("MediaList"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(std::max(18, fontMetrics().height() + 4));
    for (int column = 0; column < CMediaListModel::kColumnCount; ++column) {
        setColumnWidth(column, kColumnWidths[column]);
    }
    setIconSize(QSize(16, 16));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
    ApplySkinColours(skin::ColourPair{skin::SkinMainValues::kUnsetText, skin::SkinMainValues::kUnsetBackground});
    loadTimer_->setInterval(kLoadPollMs);
    connect(loadTimer_, &QTimer::timeout, this, [this] { CollectBackgroundLoads(); });
    connect(this, &QTableView::doubleClicked, this, [this] { EditSelected(); });
    // However a medium moved (a row dragged, the model's own API), the piano's key lists and
    // the panes follow, as after any other change of the list.
    connect(model_, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int from, int, const QModelIndex&, int before) {
                MediaMoved(before > from ? before - 1 : before);
            });
}

CChordwayView::~CChordwayView() = default;

void CChordwayView::SetDocument(CChordwayDoc& doc)
{
    doc_ = &doc;
    loading_.clear();
    model_->SetDocument(doc);
}

void CChordwayView::Rebuild() { model_->Rebuild(); }

void CChordwayView::MediaChanged()
{
    const std::vector<int> rows = SelectedRows();
    const int current = currentIndex().row();
    if (model_->rowCount() == doc_->MediaCount()) {
        for (int row = 0; row < doc_->MediaCount(); ++row) {
            model_->RefreshRow(row);
        }
        return;
    }
    model_->Rebuild();
    for (int row : rows) {
        if (row < doc_->MediaCount()) {
            selectionModel()->select(model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    if (current >= 0 && current < doc_->MediaCount()) {
        selectionModel()->setCurrentIndex(model_->index(current, 0), QItemSelectionModel::NoUpdate);
    }
}

void CChordwayView::UpdateHint(int hint)
{
    if (hint == view_hint::kDisplayInBars || hint == view_hint::kDisplayInTime) {
        model_->Rebuild();
    } else if (hint == view_hint::kTempoChanged) {
        MediaChanged();
    }
}

void CChordwayView::MediumStateChanged(const CMedia* medium) { RefreshMedium(medium); }

void CChordwayView::RefreshMedium(const CMedia* medium)
{
    for (int row = 0; row < doc_->MediaCount(); ++row) {
        if (doc_->MediumAt(row) == medium) {
            model_->RefreshRow(row);
        }
    }
}

void CChordwayView::ApplySkinColours(const skin::ColourPair& colours)
{
    const QColor text = SkinColour(colours.text, palette().color(QPalette::Text));
    const QColor background = SkinColour(colours.background, palette().color(QPalette::Base));
    model_->SetColours(text, background);
    QPalette colouring = palette();
    colouring.setColor(QPalette::Base, background);
    colouring.setColor(QPalette::Text, text);
    setPalette(colouring);
}

std::vector<int> CChordwayView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (index.row() < doc_->MediaCount()) {
            rows.push_back(index.row());
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<CMedia*> CChordwayView::SelectedMedia() const
{
    std::vector<CMedia*> media;
    for (int row : SelectedRows()) {
        media.push_back(doc_->MediumAt(row));
    }
    return media;
}

bool CChordwayView::Handles(int id)
{
    switch (id) {
    case kEdit: case kDelete: case kSelectAll: case kPlay: case kStop: case kUnload: case kRunEditor:
    case kActualise: case kTempo: case kAutoKey: case kSaveWave: case kDisplayWave: case kAddSamples:
    case kAddMidi: case kList: case kDetails: return true;
    default: return id >= kEffectsFirst && id <= kEffectsLast;
    }
}

bool CChordwayView::CommandEnabled(int id) const
{
    const std::vector<CMedia*> media = SelectedMedia();
    const auto anySample = [&media] {
        return std::any_of(media.begin(), media.end(), [](const CMedia* m) { return m->kind == CMedia::kKindSample; });
    };
    switch (id) {
    case kAddSamples: case kAddMidi: case kList: case kDetails: return true;
    case kSelectAll: return doc_->MediaCount() > 0;
    case kAutoKey: return doc_->MediaCount() > 0;
    case kSaveWave: return anySample();
    case kDisplayWave: return static_cast<bool>(services_.openWaveEditor) && anySample();
    case kRunEditor: return !media.empty() && !media.front()->filePath.empty();
    default:
        if (id >= kEffectsFirst && id <= kEffectsLast) {
            return anySample();
        }
        return !media.empty();
    }
}

void CChordwayView::RunCommand(int id)
{
    switch (id) {
    case kEdit: EditSelected(); break;
    case kDelete: DeleteSelected(); break;
    case kSelectAll: selectAll(); break;
    case kPlay: PlaySelected(); break;
    case kStop: StopSelected(); break;
    case kUnload: UnloadSelected(); break;
    case kRunEditor: RunEditorOnSelected(); break;
    case kActualise: ActualiseSelected(); break;
    case kTempo: TempoOfSelected(); break;
    case kAutoKey: AutoKey(); break;
    case kSaveWave: SaveWave(); break;
    case kDisplayWave: DisplayWave(); break;
    case kAddSamples: AddMedia(false); break;
    case kAddMidi: AddMedia(true); break;
    case kList: SetReportStyle(false); break;
    case kDetails: SetReportStyle(true); break;
    default:
        if (id >= kEffectsFirst && id <= kEffectsLast) {
            ApplyEffect(id);
        }
        break;
    }
}

void CChordwayView::TellViews()
{
    // The piano view files media under their keys: it hears of every change of the list.
    if (IDocumentObserver* views = doc_->Environment().views) {
        views->Notice(ListNotice::MediaChanged);
    }
}

void CChordwayView::Changed()
{
    if (services_.changed) {
        services_.changed();
    }
}

bool CChordwayView::EditSelected()
{
    const std::vector<CMedia*> media = SelectedMedia();
    if (media.empty()) {
        return false;
    }
    bool any = false;
    for (CMedia* medium : media) {
        CMediaDlg dialog(*doc_, services_, medium, this);
        if (dialog.exec() != QDialog::Accepted) {
            break;  // a cancel ends the loop
        }
        any = true;
        RefreshMedium(medium);
    }
    if (any) {
        TellViews();
        Changed();
    }
    return any;
}

void CChordwayView::DeleteSelected()
{
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        return;
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (*row < doc_->MediaCount()) {
            loading_.erase(doc_->MediumAt(*row)->mediumId);  // what waited for it is dropped
            doc_->RemoveMedium(*row);
        }
    }
    doc_->ComputeSongLength();
    model_->Rebuild();
    TellViews();
    Changed();
}

void CChordwayView::PlaySelected()
{
    if (services_.scheduler == nullptr) {
        return;
    }
    for (CMedia* medium : SelectedMedia()) {
        WhenLoaded(*medium, [this](CMedia& loaded) {
            services_.scheduler->StartRecordingClock();
            services_.scheduler->Play(&loaded, loaded.slot, 0);
            RefreshMedium(&loaded);
        });
    }
    Changed();
}

void CChordwayView::StopSelected()
{
    if (services_.scheduler == nullptr) {
        return;
    }
    for (CMedia* medium : SelectedMedia()) {
        services_.scheduler->Stop(medium, medium->slot);
        RefreshMedium(medium);
    }
    Changed();
}

void CChordwayView::UnloadSelected()
{
    if (services_.scheduler == nullptr) {
        return;
    }
    for (CMedia* medium : SelectedMedia()) {
        loading_.erase(medium->mediumId);
        services_.scheduler->Close(medium, medium->slot);
        RefreshMedium(medium);
    }
    Changed();
}

void CChordwayView::RunEditorOnSelected()
{
    const std::vector<CMedia*> media = SelectedMedia();
    if (media.empty() || media.front()->filePath.empty()) {
        return;
    }
    const QString file = QString::fromStdString(media.front()->filePath);
    const QString editor = services_.settings ? QString::fromStdString(services_.settings->editor).trimmed() : QString();
    // Nothing waits for the editor, and an editor that cannot start shows nothing; "Actualise"
    // reads the file again afterwards.
    if (editor.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    } else {
        QProcess::startDetached(editor, {file});
    }
}

void CChordwayView::ActualiseSelected()
{
    for (CMedia* medium : SelectedMedia()) {
        if (medium->loaded != 1 || services_.scheduler == nullptr) {
            continue;
        }
        // Closed here, opened again from its file by the loader's thread.
        services_.scheduler->Close(medium, medium->slot);
        WhenLoaded(*medium, {});
        RefreshMedium(medium);
    }
}

void CChordwayView::TempoOfSelected()
{
    for (CMedia* medium : SelectedMedia()) {
        {
            std::lock_guard guard(doc_->Lock());
            medium->EstimateBeats();
            medium->TempoFromBeats();
            medium->CMedia::SetTempoPercent(medium->tempoPercent, true);
        }
        doc_->SetModified();
        RefreshMedium(medium);
    }
    Changed();
}

void CChordwayView::AutoKey()
{
    {
        std::lock_guard guard(doc_->Lock());
        AutoKeyRule::Apply(*doc_);
    }
    doc_->SetModified();
    MediaChanged();
    TellViews();
    Changed();
}

bool CChordwayView::SaveWave(const QString& path)
{
    CSamples* sample = nullptr;
    for (CMedia* medium : SelectedMedia()) {
        sample = dynamic_cast<CSamples*>(medium);
        if (sample != nullptr) {
            break;
        }
    }
    if (sample == nullptr) {
        return false;
    }
    QString target = path;
    if (target.isEmpty()) {
        const QFileInfo file(QString::fromStdString(sample->filePath));
        const QString suggested = file.absoluteDir().filePath(QString::fromStdString(sample->name) + QStringLiteral(".wav"));
        target = QFileDialog::getSaveFileName(this, QStringLiteral("Save Wave"), suggested,
                                              QStringLiteral("Wave files (*.wav)"));
        if (target.isEmpty()) {
            return false;
        }
        if (!target.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) {
            target += QStringLiteral(".wav");
        }
    }
    WhenLoaded(*sample, [this, target](CMedia& loaded) { WriteWave(static_cast<CSamples&>(loaded), target); });
    return true;
}

void CChordwayView::WriteWave(CSamples& sample, const QString& path)
{
    std::string error;
    bool saved = false;
    {
        std::lock_guard guard(doc_->Lock());
        saved = sample.SaveSample(path.toStdString(), sample.GetDuration(), false, &error);
    }
    if (!saved) {
        if (INotice* notice = doc_->Environment().notice) {
            notice->show("The wave file could not be written: " + error, NoticeIcon::Exclamation);
        }
    }
}

void CChordwayView::DisplayWave()
{
    if (!services_.openWaveEditor) {
        return;
    }
    for (CMedia* medium : SelectedMedia()) {
        if (auto* sample = dynamic_cast<CSamples*>(medium)) {
            services_.openWaveEditor(*sample);
            return;
        }
    }
}

bool CChordwayView::ApplyEffect(int id, const std::vector<int>* parameters)
{
    std::vector<CSamples*> samples;
    for (CMedia* medium : SelectedMedia()) {
        if (auto* sample = dynamic_cast<CSamples*>(medium)) {
            samples.push_back(sample);
        }
    }
    if (samples.empty()) {
        return false;
    }
    EffectParameters values = EffectDialogTable::Defaults(id);
    if (parameters != nullptr) {
        values.p1 = parameters->size() > 0 ? (*parameters)[0] : values.p1;
        values.p2 = parameters->size() > 1 ? (*parameters)[1] : values.p2;
    } else if (EffectDialogTable::Find(id) != nullptr) {
        CEffectParamDlg dialog(id, this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        values = dialog.Values();
    }
    for (CSamples* sample : samples) {
        // An effect changes the sound that plays: the sample must be in memory.
        WhenLoaded(*sample, [this, id, values](CMedia& loaded) {
            auto& target = static_cast<CSamples&>(loaded);
            doc_->ChangeSample(target, [&] { return target.ApplyEffect(id, values.p1, values.p2, 0, 0, 0); });
            RefreshMedium(&target);
            Changed();
        });
    }
    Changed();
    return true;
}

bool CChordwayView::AddMedia(bool midi)
{
    const CSettings& limits = doc_->Environment().settings;
    if (doc_->MediaCount() > limits.nbSamplesMax) {
        if (INotice* notice = doc_->Environment().notice) {
            notice->show(notice_text::kTooSamplesOpen, NoticeIcon::Exclamation);
        }
        return false;
    }
    CMediaDlg dialog(*doc_, services_, midi, this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    CMedia* medium = dialog.AddedMedium();
    if (medium == nullptr) {
        return false;
    }
    MediaChanged();
    const int row = medium->slot;
    selectionModel()->setCurrentIndex(model_->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(model_->index(row, 0));
    if (medium->kind == CMedia::kKindSample) {
        WhenLoaded(*medium, {});
    }
    TellViews();
    Changed();
    return true;
}

void CChordwayView::SetReportStyle(bool details)
{
    details_ = details;
    // The list style shows the names only; the report style every column with its header.
    for (int column = 1; column < CMediaListModel::kColumnCount; ++column) {
        setColumnHidden(column, !details);
    }
    horizontalHeader()->setVisible(details);
}

int CChordwayView::DropFiles(const QStringList& paths)
{
    std::vector<std::string> files;
    for (const QString& path : paths) {
        files.push_back(path.toStdString());
    }
    const std::vector<CMedia*> added = AddMediaFromFiles(*doc_, files, ListDropFirstKey(*doc_), true);
    MediaChanged();
    Changed();
    return static_cast<int>(added.size());
}

void CChordwayView::WhenLoaded(CMedia& medium, std::function<void(CMedia&)> then)
{
    if (medium.loaded == 1 && !doc_->Loader().IsBusyWith(&medium)) {
        if (then) {
            then(medium);
        }
        return;
    }
    doc_->Loader().Request(medium, doc_->EffectiveTempo(), doc_->Environment().loader);
    auto& waiting = loading_[medium.mediumId];
    if (then) {
        waiting.push_back(std::move(then));
    }
    loadTimer_->start();
}

void CChordwayView::CollectBackgroundLoads()
{
    // The tick collects loads only while it runs; between songs nobody else would.
    doc_->CollectLoads();
    std::vector<int32_t> ended;
    for (const auto& [id, waiting] : loading_) {
        CMedia* medium = doc_->FindMedium(id);
        if (medium == nullptr || !doc_->Loader().IsBusyWith(medium)) {
            ended.push_back(id);
        }
    }
    for (int32_t id : ended) {
        std::vector<std::function<void(CMedia&)>> then = std::move(loading_[id]);
        loading_.erase(id);
        CMedia* medium = doc_->FindMedium(id);
        if (medium == nullptr) {
            continue;
        }
        INotice* notice = doc_->Environment().notice;
        if (medium->loaded == 1) {
            for (auto& step : then) {
                step(*medium);
            }
        } else if (medium->loaded == 2 && notice != nullptr) {
            notice->show(notice_text::kFileIsIncompatible, NoticeIcon::Exclamation);
        } else if (medium->kind == CMedia::kKindSample && notice != nullptr) {
            // Opened, then refused against the memory limit.
            notice->show(notice_text::kMemoryMaxForSamples, NoticeIcon::Exclamation);
        }
        RefreshMedium(medium);
    }
    if (loading_.empty()) {
        loadTimer_->stop();
        Changed();
    }
}

void CChordwayView::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: EditSelected(); return;
        case Qt::Key_Delete: DeleteSelected(); return;
        case Qt::Key_Space: PlaySelected(); return;
        case Qt::Key_Backspace: StopSelected(); return;
        default: break;
        }
    }
    QTableView::keyPressEvent(event);
}

bool CChordwayView::OwnRowDrag(const QDropEvent* event) const
{
    return model_->FromThisList(event->mimeData()) && CMediaListModel::MediumRowFromMime(event->mimeData()) >= 0;
}

int CChordwayView::DropRow(QPoint at) const
{
    const QModelIndex over = indexAt(at);
    if (!over.isValid()) {
        return model_->rowCount();
    }
    // The upper half of a row drops before it, the lower half after it.
    return at.y() < visualRect(over).center().y() ? over.row() : over.row() + 1;
}

void CChordwayView::MediaMoved(int to)
{
    selectionModel()->setCurrentIndex(model_->index(to, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    TellViews();
    Changed();
}

void CChordwayView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    if (OwnRowDrag(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

void CChordwayView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    if (OwnRowDrag(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

void CChordwayView::dropEvent(QDropEvent* event)
{
    if (OwnRowDrag(event)) {
        const int before = DropRow(event->position().toPoint());
        if (model_->dropMimeData(event->mimeData(), Qt::MoveAction, before, 0, {})) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        } else {
            event->ignore();  // dropped on its own place
        }
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile());
        }
    }
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    DropFiles(paths);
}

void CChordwayView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    const auto add = [this, &menu](int id, const char* text) {
        QAction* action = menu.addAction(QString::fromUtf8(text));
        action->setEnabled(CommandEnabled(id));
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    };
    add(kPlay, "&Play");
    add(kStop, "&Stop");
    add(kUnload, "&Unload");
    menu.addSeparator();
    add(kEdit, "&Edit");
    add(kDelete, "&Delete");
    menu.addSeparator();
    add(kRunEditor, "&Run Editor");
    add(kActualise, "&Actualise");
    add(kTempo, "&Tempo ");
    add(kAutoKey, "&Auto key");
    add(kSaveWave, "&Save Wave");
    add(kDisplayWave, "Display Wave");
    menu.exec(event->globalPos());
}

}  // namespace tessaron
