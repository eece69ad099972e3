#include "app/COptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "song/CSettings.h"
#include "views/CAccelSpinBox.h"

namespace tessaron {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QWidget* Row(QWidget* parent, std::initializer_list<QWidget*> widgets)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets) {
        layout->addWidget(widget);
    }
    return row;
}

}  // namespace

COptionsDlg::COptionsDlg(CSettings& settings, std::vector<std::string> midiInputs,
                         std::vector<std::string> midiOutputs, QWidget* parent)
    : QDialog(parent), settings_(settings), transfer_(std::move(midiInputs), std::move(midiOutputs))
{
    setWindowTitle(QStringLiteral("Options"));
    setObjectName(QStringLiteral("OptionsDialog"));
    shown_ = transfer_.Fill(settings);
    const OptionsFields& f = shown_;

    auto* general = new QGroupBox(QStringLiteral("General"), this);
    auto* form = new QFormLayout(general);
    form->addRow(AddCheck(QStringLiteral("AUTOLOAD"), QStringLiteral("Auto Load "), f.autoLoad));
    form->addRow(QStringLiteral("Memory max"),
                 Row(general, {AddNumber(QStringLiteral("MEMORYMAX"), f.memoryMaxMb, CSettings::kMemoryMaxMb),
                               new QLabel(QStringLiteral("MB"), general)}));
    form->addRow(QStringLiteral("Samples size max"),
                 Row(general, {AddNumber(QStringLiteral("SIZESAMPLESMAX"), f.sizeSamplesMaxMb,
                                         CSettings::kSizeSamplesMaxMb),
                               new QLabel(QStringLiteral("Mo"), general)}));
    form->addRow(QStringLiteral("Nb media max"),
                 AddNumber(QStringLiteral("NBSAMPLESMAX"), f.nbSamplesMax, CSettings::kNbSamplesMax));
    form->addRow(QStringLiteral("Nb Loop for cont."), AddNumber(QStringLiteral("NBLOOP"), f.nbLoop, CSettings::kNbLoop));
    form->addRow(QStringLiteral("Interval controls"),
                 Row(general, {AddNumber(QStringLiteral("RESVOLPAN"), f.resVolPan, CSettings::kResVolPan),
                               new QLabel(QStringLiteral("ms"), general)}));
    form->addRow(AddCheck(QStringLiteral("PCBEEP"), QStringLiteral("Pc beep"), f.pcBeep));

    auto* tempo = new QGroupBox(QStringLiteral("Tempo estimation"), this);
    auto* tempoForm = new QFormLayout(tempo);
    tempoForm->addRow(QStringLiteral("min"), AddNumber(QStringLiteral("TEMPOMIN"), f.tempoMin, CSettings::kTempo));
    tempoForm->addRow(QStringLiteral("max"), AddNumber(QStringLiteral("TEMPOMAX"), f.tempoMax, CSettings::kTempo));

    auto* editor = new QGroupBox(QStringLiteral("Editor"), this);
    auto* editorForm = new QFormLayout(editor);
    auto* dirs = new QGroupBox(QStringLiteral("Init Directory"), this);
    auto* dirsForm = new QFormLayout(dirs);
    auto pathRow = [this](QGroupBox* group, QFormLayout* layout, const QString& label, const QString& key,
                          const std::string& value, const QString& button, bool folder) {
        QLineEdit* field = AddText(key, value);
        auto* choose = new QPushButton(button, group);
        choose->setObjectName(key + QStringLiteral("Choose"));
        connect(choose, &QPushButton::clicked, this, [this, field, folder] {
            const QString chosen =
                folder ? QFileDialog::getExistingDirectory(this, QString(), field->text())
                       : QFileDialog::getOpenFileName(this, QString(), field->text(), QStringLiteral("Programs (*)"));
            if (!chosen.isEmpty()) {
                field->setText(chosen);
            }
        });
        layout->addRow(label, Row(group, {field, choose}));
    };
    pathRow(editor, editorForm, QStringLiteral("Wave"), QStringLiteral("EDITOR"), f.editor, QStringLiteral("Select"), false);
    pathRow(editor, editorForm, QStringLiteral("Midi"), QStringLiteral("MIDIEDITOR"), f.midiEditor,
            QStringLiteral("Select"), false);
    pathRow(dirs, dirsForm, QStringLiteral("Sound"), QStringLiteral("DIRWAVE"), f.dirWave, QStringLiteral("..."), true);
    pathRow(dirs, dirsForm, QStringLiteral("Midi"), QStringLiteral("DIRMIDI"), f.dirMidi, QStringLiteral("..."), true);

    auto* midi = new QGroupBox(QStringLiteral("Midi"), this);
    auto* midiForm = new QFormLayout(midi);
    midiIn_ = new QComboBox(midi);
    midiIn_->setObjectName(QStringLiteral("MIDIINDRIVERS"));
    for (const std::string& port : transfer_.InputPorts()) {
        midiIn_->addItem(Q(port));
    }
    midiIn_->setCurrentIndex(f.midiInIndex);
    midiOut_ = new QComboBox(midi);
    midiOut_->setObjectName(QStringLiteral("MIDIOUTDRIVERS"));
    for (const std::string& port : transfer_.OutputPorts()) {
        midiOut_->addItem(Q(port));
    }
    midiOut_->setCurrentIndex(f.midiOutIndex);
    channel_ = new QComboBox(midi);
    channel_->setObjectName(QStringLiteral("MIDICANAL"));
    channel_->addItem(QStringLiteral("No"));
    channel_->addItem(QStringLiteral("Omni"));
    for (int c = 1; c <= 16; ++c) {
        channel_->addItem(QString::number(c));
    }
    channel_->setCurrentIndex(CSettings::kMidiCanal.Contains(f.midiCanal) ? f.midiCanal : -1);
    midiForm->addRow(QStringLiteral("In"), midiIn_);
    midiForm->addRow(QStringLiteral("Out"), midiOut_);
    midiForm->addRow(QStringLiteral("Channel"), channel_);
    midiForm->addRow(AddCheck(QStringLiteral("MIDITHRU"), QStringLiteral("Midi Thru"), f.midiThru));
    midiForm->addRow(AddCheck(QStringLiteral("MIDIVELOCITY"), QStringLiteral("No velocity change"), f.midiVelocity));
    midiForm->addRow(AddCheck(QStringLiteral("MAM"), QStringLiteral("wheel on active note"), f.mam));
    // Kept and edited only; hidden as they always were.
    QCheckBox* pitchBend = AddCheck(QStringLiteral("PITCHBEND"), QStringLiteral("Pitch Bend"), f.pitchBend);
    QSpinBox* bendRange = AddNumber(QStringLiteral("PITCHBENDRANGE"), f.pitchBendRange, CSettings::kPitchBendRange);
    QCheckBox* midiBeep = AddCheck(QStringLiteral("MIDIBEEP"), QStringLiteral("Midi beep"), f.midiBeep);
    midiForm->addRow(Row(midi, {pitchBend, bendRange, midiBeep}));
    for (QWidget* hidden : std::initializer_list<QWidget*>{pitchBend, bendRange, midiBeep}) {
        hidden->hide();
    }

    auto* copy = new QGroupBox(QStringLiteral("Velarion copy"), this);
    auto* copyForm = new QFormLayout(copy);
    copyForm->addRow(AddCheck(QStringLiteral("AUTOPLAY"), QStringLiteral("Auto Play"), f.autoPlay));
    copyForm->addRow(AddCheck(QStringLiteral("AUTOLOOP"), QStringLiteral("Auto Loop"), f.autoLoop));
    copyForm->addRow(AddCheck(QStringLiteral("AUTOSUSTAIN"), QStringLiteral("Auto Sustain"), f.autoSustain));
    copyForm->addRow(AddCheck(QStringLiteral("AUTOVOL"), QStringLiteral("Auto Volume"), f.autoVol));
    copyForm->addRow(QStringLiteral("Latency"),
                     Row(copy, {AddNumber(QStringLiteral("LANTENCY"), f.latency, CSettings::kLatency),
                                new QLabel(QStringLiteral("ms"), copy)}));
    loopCount_ = AddText(QStringLiteral("LOOPCOUNT"), OptionsTransfer::LoopCountText(f.handOverLoopCount));
    auto* times = new QLabel(QStringLiteral("times"), copy);
    QCheckBox* autoSave = AddCheck(QStringLiteral("AUTOSAVE"), QStringLiteral("Auto Save"), f.autoSave);
    copyForm->addRow(Row(copy, {loopCount_, times, autoSave}));
    loopCount_->hide();
    times->hide();
    autoSave->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(general, 0, 0, 2, 1);
    grid->addWidget(tempo, 2, 0);
    grid->addWidget(midi, 0, 1);
    grid->addWidget(copy, 1, 1, 2, 1);
    grid->addWidget(editor, 3, 0, 1, 2);
    grid->addWidget(dirs, 4, 0, 1, 2);
    grid->addWidget(buttons, 5, 0, 1, 2);
}

QSpinBox* COptionsDlg::AddNumber(const QString& key, int value, CSettings::Range range)
{
    auto* spin = new CAccelSpinBox(kOptionsSpinAccel, this);
    spin->setObjectName(key);
    // A stored value outside the range is shown as it is; OK refuses it.
    spin->setRange(std::min(range.min, value), std::max(range.max, value));
    spin->setValue(value);
    numbers_[key] = spin;
    return spin;
}

QCheckBox* COptionsDlg::AddCheck(const QString& key, const QString& text, bool value)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(key);
    box->setChecked(value);
    checks_[key] = box;
    return box;
}

QLineEdit* COptionsDlg::AddText(const QString& key, const std::string& value)
{
    auto* field = new QLineEdit(Q(value), this);
    field->setObjectName(key);
    texts_[key] = field;
    return field;
}

OptionsFields COptionsDlg::Read() const
{
    OptionsFields f = shown_;
    auto number = [this](const char* key) { return numbers_.at(QString::fromLatin1(key))->value(); };
    auto check = [this](const char* key) { return checks_.at(QString::fromLatin1(key))->isChecked(); };
    auto text = [this](const char* key) { return texts_.at(QString::fromLatin1(key))->text().toStdString(); };
    f.autoLoad = check("AUTOLOAD");
    f.editor = text("EDITOR");
    f.midiEditor = text("MIDIEDITOR");
    f.memoryMaxMb = number("MEMORYMAX");
    f.sizeSamplesMaxMb = number("SIZESAMPLESMAX");
    f.nbSamplesMax = number("NBSAMPLESMAX");
    f.nbLoop = number("NBLOOP");
    f.tempoMin = number("TEMPOMIN");
    f.tempoMax = number("TEMPOMAX");
    f.resVolPan = number("RESVOLPAN");
    f.dirWave = text("DIRWAVE");
    f.dirMidi = text("DIRMIDI");
    f.midiInIndex = midiIn_->currentIndex();
    f.midiOutIndex = midiOut_->currentIndex();
    f.midiCanal = channel_->currentIndex() < 0 ? shown_.midiCanal : channel_->currentIndex();
    f.midiThru = check("MIDITHRU");
    f.midiVelocity = check("MIDIVELOCITY");
    f.mam = check("MAM");
    f.pitchBend = check("PITCHBEND");
    f.pitchBendRange = number("PITCHBENDRANGE");
    f.pcBeep = check("PCBEEP");
    f.midiBeep = check("MIDIBEEP");
    f.autoPlay = check("AUTOPLAY");
    f.autoLoop = check("AUTOLOOP");
    f.autoSustain = check("AUTOSUSTAIN");
    f.autoVol = check("AUTOVOL");
    f.latency = number("LANTENCY");
    f.handOverLoopCount = OptionsTransfer::LoopCountFromText(loopCount_->text().toStdString());
    f.autoSave = check("AUTOSAVE");
    return f;
}

void COptionsDlg::accept()
{
    const OptionsFields fields = Read();
    if (const auto error = OptionsTransfer::Validate(fields)) {
        lastError_ = Q(error->message);
        // The field that failed takes the focus, as the standard validation does.
        if (const auto found = numbers_.find(Q(error->field)); found != numbers_.end()) {
            found->second->setFocus();
            found->second->selectAll();
        }
        if (isVisible()) {
            QMessageBox::warning(this, QStringLiteral("Options"), lastError_);
        }
        return;
    }
    lastError_.clear();
    midiChanged_ = transfer_.Apply(fields, settings_);
    QDialog::accept();
}

}  // namespace tessaron
