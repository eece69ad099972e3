// The Options dialog's transfer rules.
#include "ViewTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include "app/COptionsDlg.h"
#include "app/OptionsTransfer.h"
#include "song/CSettings.h"

namespace tessaron::test {

class OptionsDialogTest : public QObject {
    Q_OBJECT

    const std::vector<std::string> ins_{"Keyboard In", "Pads In"};
    const std::vector<std::string> outs_{"Synth", "Port Out"};

private slots:
    void showsMegabytesAndSelectsThePorts()
    {
        CSettings settings;
        settings.midiInDrivers = "Pads In";
        settings.midiOutDrivers = "gone";
        settings.midiCanal = 3;
        COptionsDlg dialog(settings, ins_, outs_);
        QCOMPARE(dialog.Number(QStringLiteral("MEMORYMAX"))->value(), 128);
        QCOMPARE(dialog.Number(QStringLiteral("SIZESAMPLESMAX"))->value(), 20);
        QCOMPARE(dialog.MidiIn()->currentText(), QStringLiteral("Pads In"));
        QCOMPARE(dialog.MidiOut()->currentText(), QStringLiteral("Synth"));  // the first when none matches
        QCOMPARE(dialog.Channel()->count(), 18);
        QCOMPARE(dialog.Channel()->currentText(), QStringLiteral("2"));
        QVERIFY(dialog.Check(QStringLiteral("PITCHBEND"))->isHidden());
        QVERIFY(!dialog.Check(QStringLiteral("AUTOPLAY"))->isHidden());
    }

    void okCopiesBackWithTheRules()
    {
        CSettings settings;
        COptionsDlg dialog(settings, ins_, outs_);
        dialog.Number(QStringLiteral("MEMORYMAX"))->setValue(200);
        dialog.Number(QStringLiteral("NBLOOP"))->setValue(2048);  // passes the range, kept as 16
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.memoryMax, 200 * 1048576);
        QCOMPARE(settings.nbLoop, 16);

        COptionsDlg again(settings, ins_, outs_);
        again.Number(QStringLiteral("NBLOOP"))->setValue(2047);
        again.accept();
        QCOMPARE(settings.nbLoop, 2047);
    }

    void outOfRangeValuesAreRefusedOnOk()
    {
        CSettings settings;
        settings.memoryMax = 5 * 1048576;  // stored outside the dialog's range: shown as it is
        COptionsDlg dialog(settings, ins_, outs_);
        QCOMPARE(dialog.Number(QStringLiteral("MEMORYMAX"))->value(), 5);
        dialog.Check(QStringLiteral("AUTOLOAD"))->setChecked(false);
        dialog.accept();
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(dialog.LastError(), QStringLiteral("Please enter an integer between 10 and 300."));
        QVERIFY(settings.autoLoad);  // nothing is copied back while a field is refused
        dialog.Number(QStringLiteral("MEMORYMAX"))->setValue(10);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!settings.autoLoad);
        QCOMPARE(settings.memoryMax, 10 * 1048576);
    }

    void midiPortsReopenOnlyWhenAMidiFieldChanged()
    {
        CSettings settings;
        settings.midiInDrivers = "Keyboard In";
        settings.midiOutDrivers = "Synth";
        COptionsDlg autoPlay(settings, ins_, outs_);
        autoPlay.Check(QStringLiteral("AUTOPLAY"))->setChecked(false);
        autoPlay.accept();
        QVERIFY(!autoPlay.MidiChanged());
        QVERIFY(!settings.autoPlay);

        COptionsDlg channel(settings, ins_, outs_);
        channel.Channel()->setCurrentIndex(1);
        channel.accept();
        QVERIFY(channel.MidiChanged());
        QCOMPARE(settings.midiCanal, 1);

        COptionsDlg port(settings, ins_, outs_);
        port.MidiIn()->setCurrentIndex(1);
        port.accept();
        QVERIFY(port.MidiChanged());
        QCOMPARE(settings.midiInDrivers, std::string("Pads In"));

        COptionsDlg thru(settings, ins_, outs_);
        thru.Check(QStringLiteral("MIDITHRU"))->setChecked(true);
        thru.accept();
        QVERIFY(thru.MidiChanged());
        QVERIFY(settings.midiThru);
    }

    void withoutPortsTheStoredNamesStay()
    {
        CSettings settings;
        settings.midiInDrivers = "Keyboard In";
        settings.midiOutDrivers = "Synth";
        COptionsDlg dialog(settings, {}, {});
        QCOMPARE(dialog.MidiIn()->count(), 0);
        dialog.accept();
        QVERIFY(!dialog.MidiChanged());
        QCOMPARE(settings.midiInDrivers, std::string("Keyboard In"));
        QCOMPARE(settings.midiOutDrivers, std::string("Synth"));
    }

    void handOverLoopCountText()
    {
        QCOMPARE(OptionsTransfer::LoopCountText(0), std::string("cont."));
        QCOMPARE(OptionsTransfer::LoopCountText(4), std::string("4"));
        QCOMPARE(OptionsTransfer::LoopCountFromText("cont."), 0);
        QCOMPARE(OptionsTransfer::LoopCountFromText("12"), 12);
    }
};

TESSARON_VIEW_TEST(OptionsDialogTest);

}  // namespace tessaron::test

#include "OptionsDialogTest.moc"
