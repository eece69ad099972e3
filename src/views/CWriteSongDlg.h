#pragma once

#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLineEdit;
class QRadioButton;

namespace tessaron {

class CChordwayDoc;
class CGuiProgress;
class CScheduler;

// "Create Wave": a file chooser for the WAV file with the render's own controls below it
// ("Nb Beat / Time end", "Stereo" / "Mono"), and the render itself on a worker thread behind the
// "Write song in file" progress window.
class CWriteSongDlg : public QDialog {
public:
    CWriteSongDlg(const QString& defaultPath, const QString& endText, QWidget* parent = nullptr);

    QString Path() const;
    QString EndText() const;
    bool Mono() const;
    int Bits() const;

    QFileDialog* Files() const { return files_; }
    QLineEdit* EndField() const { return end_; }
    QRadioButton* StereoButton() const { return stereo_; }
    QRadioButton* MonoButton() const { return mono_; }

    // The whole command: dialog, then the render. Answers whether a file was written.
    static bool Run(CChordwayDoc& doc, CScheduler& scheduler, const QString& songPath, CGuiProgress& progress,
                    QWidget* parent);
    // The render alone, on a worker thread while this thread keeps the windows alive. On
    // failure or Cancel no file is left; `error` tells why (empty after Cancel).
    static bool Render(CChordwayDoc& doc, CScheduler& scheduler, const std::string& path, int32_t endMs, bool mono,
                       int bits, CGuiProgress& progress, std::string& error);

private:
    QFileDialog* files_;
    QLineEdit* end_;
    QRadioButton* stereo_;
    QRadioButton* mono_;
    QComboBox* resolution_;
    QCheckBox* listen_;
    QString chosen_;
};

}  // namespace tessaron
