#include "views/CMediaDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QThreadPool>
#include <QVBoxLayout>

#include "framework/INotice.h"
#include "media/CMedia.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CSettings.h"
#include "song/MediumFromFile.h"
#include "views/CAccelSpinBox.h"

namespace tessaron {

namespace {

// The tempo spin: 1 tenth a step, 10 after 2 s of holding, 100 after 4 s.
const std::vector<SpinAccel> kTempoSpinAccel = {{0, 1}, {2000, 10}, {4000, 100}};

QIcon ColourSwatch(int scheme)
{
    const CMedia::Colours colours = CMedia::PaletteEntry(scheme);
    QPixmap pixmap(24, 12);
    const uint32_t back = colours.back;
    pixmap.fill(QColor(static_cast<int>(back & 0xFF), static_cast<int>((back >> 8) & 0xFF),
                       static_cast<int>((back >> 16) & 0xFF)));
    return QIcon(pixmap);
}

QComboBox* MakeCombo(const std::vector<std::string>& rows, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    for (const std::string& row : rows) {
        combo->addItem(QString::fromStdString(row));
    }
    return combo;
}

}  // namespace

CMediaDlg::CMediaDlg(CChordwayDoc& doc, CChordwayView::Services& services, CMedia* medium, QWidget* parent)
    : QDialog(parent), doc_(doc), services_(services), medium_(medium),
      midi_(medium != nullptr && medium->kind == CMedia::kKindMidi)
{
    setWindowTitle(QStringLiteral("Edit Media"));
    Build();
    if (medium_ != nullptr) {
        filled_ = MediaDialogFields::FromMedium(*medium_);
    }
    Fill(filled_);
}

CMediaDlg::CMediaDlg(CChordwayDoc& doc, CChordwayView::Services& services, bool midi, QWidget* parent)
    : QDialog(parent), doc_(doc), services_(services), midi_(midi)
{
    setWindowTitle(QStringLiteral("Add Media"));
    Build();
    filled_.kind = midi ? MediaDialogFields::Kind::Midi : MediaDialogFields::Kind::Sample;
    // A new medium takes the next free key, as a dropped file would.
    const int key = ListDropFirstKey(doc_);
    filled_.pcKeyRow = MediaDialogFields::PcKeyRow(KeyLabelOf(std::min(key, 47)));
    filled_.midiKeyRow = doc_.FitKey(key) - 12;
    filled_.colourRow = doc_.MediaCount() % CMedia::kPaletteSize;
    filled_.tempo = doc_.EffectiveTempo();
    Fill(filled_);
}

CMediaDlg::~CMediaDlg() = default;

void CMediaDlg::Build()
{
    setObjectName(QStringLiteral("MediaDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    layout->addLayout(form);
    int row = 0;
    const auto addRow = [&form, &row, this](const QString& label, QWidget* field, QWidget* extra = nullptr) {
        auto* text = new QLabel(label, this);
        form->addWidget(text, row, 0);
        form->addWidget(field, row, 1, 1, extra ? 1 : 2);
        if (extra != nullptr) {
            form->addWidget(extra, row, 2);
        }
        ++row;
        return text;
    };

    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("File"));
    file_->setMinimumWidth(280);
    select_ = new QPushButton(QStringLiteral("Select"), this);
    select_->setObjectName(QStringLiteral("Select"));
    connect(select_, &QPushButton::clicked, this, [this] { ChooseFile(); });
    addRow(QStringLiteral("File"), file_, select_);

    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("Name"));
    addRow(QStringLiteral("Name"), name_);

    device_ = new QComboBox(this);
    device_->setObjectName(QStringLiteral("Device"));
    const QStringList devices = midi_ ? (services_.midiPorts ? services_.midiPorts() : QStringList())
                                      : (services_.audioDevices ? services_.audioDevices() : QStringList());
    device_->addItems(devices);
    addRow(QStringLiteral("Device"), device_);

    stretch_ = MakeCombo({"No", "No pitch changed", "Change pitch"}, this);
    stretch_->setObjectName(QStringLiteral("TimeStretch"));
    stretchLabel_ = addRow(QStringLiteral("Time stretch"), stretch_);
    div_ = MakeCombo(MediaDialogFields::DivChoices(), this);
    div_->setObjectName(QStringLiteral("Div"));
    divLabel_ = addRow(QStringLiteral("Div"), div_);

    tempo_ = new QLineEdit(this);
    tempo_->setObjectName(QStringLiteral("Tempo"));
    auto* tempoSpin = new CSpinButtons(kTempoSpinAccel, this);
    connect(tempoSpin, &CSpinButtons::stepped, this, [this](int delta) { StepTempo(delta); });
    addRow(QStringLiteral("Tempo"), tempo_, tempoSpin);

    beats_ = new QSpinBox(this);
    beats_->setObjectName(QStringLiteral("NbBeats"));
    beats_->setRange(0, MediaDialogFields::kBeatsMax);
    addRow(QStringLiteral("Nb beats"), beats_);

    pcKey_ = MakeCombo(MediaDialogFields::PcKeyChoices(), this);
    pcKey_->setObjectName(QStringLiteral("PcKey"));
    addRow(QStringLiteral("PC"), pcKey_);
    midiKey_ = MakeCombo(MediaDialogFields::MidiKeyChoices(), this);
    midiKey_->setObjectName(QStringLiteral("MidiKey"));
    addRow(QStringLiteral("Midi"), midiKey_);

    colour_ = new QComboBox(this);
    colour_->setObjectName(QStringLiteral("Color"));
    for (int scheme = 0; scheme < CMedia::kPaletteSize; ++scheme) {
        colour_->addItem(ColourSwatch(scheme), QString::number(scheme + 1));
    }
    addRow(QStringLiteral("Color"), colour_);

    auto* location = new QGroupBox(QStringLiteral("File Location (ms)"), this);
    auto* locationForm = new QFormLayout(location);
    offset_ = new QSpinBox(location);
    offset_->setObjectName(QStringLiteral("Offset"));
    end_ = new QSpinBox(location);
    end_->setObjectName(QStringLiteral("End"));
    duration_ = new QLabel(location);
    locationForm->addRow(QStringLiteral("Offset"), offset_);
    locationForm->addRow(QStringLiteral("End"), end_);
    locationForm->addRow(QStringLiteral("Duration"), duration_);
    // Each spin keeps the other's side: 0 <= offset <= end <= duration.
    connect(offset_, &QSpinBox::valueChanged, this, [this](int value) { end_->setMinimum(value); });
    connect(end_, &QSpinBox::valueChanged, this, [this](int value) { offset_->setMaximum(value); });
    layout->addWidget(location);

    auto* switches = new QHBoxLayout;
    loop_ = new QCheckBox(QStringLiteral("Loop"), this);
    loop_->setObjectName(QStringLiteral("Loop"));
    loopCount_ = new QSpinBox(this);
    loopCount_->setObjectName(QStringLiteral("LoopCount"));
    loopCount_->setRange(0, MediaDialogFields::kLoopCountMax);
    loopCount_->setSpecialValueText(QStringLiteral("cont."));
    hold_ = new QCheckBox(QStringLiteral("Hold"), this);
    hold_->setObjectName(QStringLiteral("Hold"));
    resynchro_ = new QCheckBox(QStringLiteral("Resynchro"), this);
    resynchro_->hide();
    primary_ = new QCheckBox(QStringLiteral("Primary"), this);
    primary_->setObjectName(QStringLiteral("Primary"));
    tempoChange_ = new QCheckBox(QStringLiteral("Tempo change"), this);
    tempoChange_->setObjectName(QStringLiteral("TempoChange"));
    for (QWidget* widget : std::initializer_list<QWidget*>{loop_, loopCount_, hold_, resynchro_, primary_, tempoChange_}) {
        switches->addWidget(widget);
    }
    switches->addStretch();
    layout->addLayout(switches);

    // Kept with the medium, not offered: the MIDI sound collection and the volume and pan.
    soundFile_ = new QLineEdit(this);
    soundFile_->hide();
    soundFileSelect_ = new QPushButton(QStringLiteral("Select"), this);
    soundFileSelect_->hide();
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setRange(-1000, 0);
    volume_->hide();
    pan_ = new QSlider(Qt::Horizontal, this);
    pan_->setRange(-1000, 1000);
    pan_->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMediaDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CMediaDlg::ShowKind()
{
    const bool audio = filled_.kind != MediaDialogFields::Kind::Midi;
    stretchLabel_->setVisible(audio);
    stretch_->setVisible(audio);
    const bool sample = filled_.kind == MediaDialogFields::Kind::Sample;
    divLabel_->setVisible(sample);
    div_->setVisible(sample);
    primary_->setVisible(!audio);
    tempoChange_->setVisible(!audio);
}

void CMediaDlg::Fill(const MediaDialogFields& f)
{
    file_->setText(QString::fromStdString(f.file));
    name_->setText(QString::fromStdString(f.name));
    device_->setCurrentIndex(f.device < device_->count() ? f.device : (device_->count() > 0 ? 0 : -1));
    stretch_->setCurrentIndex(f.stretchRow);
    div_->setCurrentIndex(f.divRow);
    tempo_->setText(QString::asprintf("%.1f", f.tempo));
    beats_->setValue(f.beats);
    pcKey_->setCurrentIndex(f.pcKeyRow);
    midiKey_->setCurrentIndex(f.midiKeyRow);
    colour_->setCurrentIndex(f.colourRow);
    // Widest ranges first, so that neither value is cut by the other's old limit.
    offset_->setRange(0, f.duration);
    end_->setRange(0, f.duration);
    end_->setValue(f.end);
    offset_->setValue(f.offset);
    end_->setMinimum(f.offset);
    offset_->setMaximum(f.end);
    duration_->setText(QString::number(f.duration));
    loop_->setChecked(f.loop);
    loopCount_->setValue(f.loopCount);
    hold_->setChecked(f.hold);
    resynchro_->setChecked(f.resynchro);
    primary_->setChecked(f.primary);
    tempoChange_->setChecked(f.tempoChange);
    soundFile_->setText(QString::fromStdString(f.soundFile));
    volume_->setValue(f.volume);
    pan_->setValue(f.pan);
    ShowKind();
}

MediaDialogFields CMediaDlg::Fields() const
{
    MediaDialogFields f = filled_;
    f.file = file_->text().trimmed().toStdString();
    f.name = name_->text().toStdString();
    f.device = std::max(0, device_->currentIndex());
    f.stretchRow = std::max(0, stretch_->currentIndex());
    f.divRow = std::max(0, div_->currentIndex());
    bool ok = false;
    const double tempo = tempo_->text().trimmed().toDouble(&ok);
    f.tempo = ok ? tempo : -1.0;
    f.beats = beats_->value();
    f.pcKeyRow = pcKey_->currentIndex();
    f.midiKeyRow = midiKey_->currentIndex();
    f.colourRow = colour_->currentIndex();
    f.offset = offset_->value();
    f.end = end_->value();
    f.loop = loop_->isChecked();
    f.loopCount = loopCount_->value();
    f.hold = hold_->isChecked();
    f.resynchro = resynchro_->isChecked();
    f.primary = primary_->isChecked();
    f.tempoChange = tempoChange_->isChecked();
    f.soundFile = soundFile_->text().toStdString();
    f.volume = volume_->value();
    f.pan = pan_->value();
    return f;
}

void CMediaDlg::StepTempo(int delta)
{
    bool ok = false;
    double tempo = tempo_->text().trimmed().toDouble(&ok);
    if (!ok) {
        tempo = 0.0;
    }
    tempo = std::clamp(tempo + delta / 10.0, 0.0, MediaDialogFields::kTempoMax);
    tempo_->setText(QString::asprintf("%.1f", tempo));
}

void CMediaDlg::ChooseFile()
{
    CSettings* settings = services_.settings;
    QString start;
    if (!file_->text().isEmpty()) {
        start = QFileInfo(file_->text()).absolutePath();
    } else if (settings != nullptr) {
        start = QString::fromStdString(midi_ ? settings->dirMidi : settings->dirWave);
    }
    const QString filter = midi_ ? QStringLiteral("Midi files (*.mid *.midi *.rmi *.kar);;All files (*)")
                                 : QStringLiteral("Sound files (*.wav *.mp3 *.ogg *.oga *.flac *.aiff *.aif *.au "
                                                  "*.opus *.wma *.mp2);;All files (*)");
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Select"), start, filter);
    if (path.isEmpty()) {
        return;
    }
    // The folder of an accepted choice is where the next one starts.
    const std::string folder = QFileInfo(path).absolutePath().toStdString();
    if (settings != nullptr) {
        (midi_ ? settings->dirMidi : settings->dirWave) = folder;
    }
    (midi_ ? doc_.Environment().settings.dirMidi : doc_.Environment().settings.dirWave) = folder;
    SelectFile(path);
}

void CMediaDlg::SelectFile(const QString& path)
{
    ++probing_;
    select_->setEnabled(false);
    file_->setText(path);
    // A long compressed file can take a while to measure: the window stays alive meanwhile.
    QPointer<CMediaDlg> self(this);
    // The global pool: the application waits for it at exit, so no probe outlives the program.
    QThreadPool::globalInstance()->start([self, path] {
        const MediaProbe probe = ProbeMediaFile(path.toStdString());
        QMetaObject::invokeMethod(
            qApp, [self, path, probe] {
                if (self) {
                    self->ProbeDone(path, probe);
                }
            },
            Qt::QueuedConnection);
    });
}

void CMediaDlg::ProbeDone(const QString& path, const MediaProbe& probe)
{
    probing_ = std::max(0, probing_ - 1);
    select_->setEnabled(probing_ == 0);
    if (file_->text() != path) {
        return;  // another file was chosen meanwhile
    }
    if (!probe.ok) {
        Refuse(notice_text::kFileIsIncompatible);
        return;
    }
    MediaDialogFields fields = Fields();
    fields.TakeProbe(path.toStdString(), probe);
    if (probe.midi) {
        fields.kind = MediaDialogFields::Kind::Midi;
    } else if (medium_ == nullptr) {
        // As with a dropped file: a file too large for a sample streams from disk.
        fields.kind = fields.dataSize <= doc_.Environment().settings.sizeSamplesMax ? MediaDialogFields::Kind::Sample
                                                                                   : MediaDialogFields::Kind::Music;
    }
    if (fields.tempo < 0.0) {
        fields.tempo = 0.0;
    }
    filled_ = fields;
    Fill(fields);
}

void CMediaDlg::Refuse(std::string_view text)
{
    if (INotice* notice = doc_.Environment().notice) {
        notice->show(text, NoticeIcon::Exclamation);
    }
}

void CMediaDlg::accept()
{
    if (probing_ > 0) {
        return;  // the chosen file is still being read
    }
    const MediaDialogFields fields = Fields();
    if (fields.tempo < 0.0 || fields.tempo > MediaDialogFields::kTempoMax) {
        Refuse("The tempo must lie between 0.0 and 250.0.");
        tempo_->setFocus();
        return;
    }
    if (fields.file.empty()) {
        Refuse("Select a file.");
        return;
    }
    if (medium_ != nullptr ? CommitEdit(fields) : CommitAdd(fields)) {
        QDialog::accept();
    }
}

bool CMediaDlg::CommitAdd(const MediaDialogFields& fields)
{
    if (doc_.MediaCount() > doc_.Environment().settings.nbSamplesMax) {
        Refuse(notice_text::kTooSamplesOpen);
        return false;
    }
    if (fields.file != filled_.file) {
        // A path typed by hand: read it as "Select" would, here and now.
        SelectFile(QString::fromStdString(fields.file));
        return false;
    }
    if (const std::string_view refusal = fields.CheckLimits(doc_, 0); !refusal.empty()) {
        Refuse(refusal);
        return false;
    }
    CMedia* medium = AddMediumFromFile(doc_, fields.file, doc_.MediaCount(), ListDropFirstKey(doc_));
    if (medium == nullptr) {
        Refuse(notice_text::kFileIsIncompatible);
        return false;
    }
    {
        std::lock_guard guard(doc_.Lock());
        fields.WriteTo(*medium);
    }
    doc_.SetModified();
    added_ = medium;
    return true;
}

bool CMediaDlg::CommitEdit(const MediaDialogFields& fields)
{
    const int64_t held = medium_->loaded == 1 ? medium_->MemoryHeld() : 0;
    if (const std::string_view refusal = fields.CheckLimits(doc_, held); !refusal.empty()) {
        Refuse(refusal);
        return false;
    }
    // A new file, range, tempo or stretch needs the sound opened again: it is closed here and
    // opens with the new settings when it next plays.
    const bool reopen = fields.file != filled_.file || fields.offset != filled_.offset || fields.end != filled_.end ||
                        fields.stretchRow != filled_.stretchRow || fields.divRow != filled_.divRow ||
                        fields.tempo != filled_.tempo || fields.device != filled_.device;
    if (reopen && medium_->loaded == 1 && services_.scheduler != nullptr) {
        services_.scheduler->Close(medium_, medium_->slot);
    }
    {
        std::lock_guard guard(doc_.Lock());
        fields.WriteTo(*medium_);
    }
    doc_.SetModified();
    return true;
}

}  // namespace tessaron
