// DialogMnuGameEngine: edits the description of one engine (how to start
// it, which optional commands it understands), saves it as "<name>.mek" in
// the program folder and makes it the current engine. The dialog lives for
// the whole run and is only hidden after use, so its boxes persist.
//
// The protocol the engine speaks (the command set or UCI) is one more
// choice; "設定読込み" asks the engine of the file it reads whether it speaks
// UCI, in the background, and sets the choice when it does.
#pragma once

#include "engine/EngineSettings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlik {

class EngineProbe;
class WindowServices;

class DialogMnuGameEngine : public QDialog {
    Q_OBJECT
public:
    // Builds the controls and runs the clear operation; loads nothing (the
    // window calls LoadEngine, then ApplyEngSet).
    DialogMnuGameEngine(EngineConfig& config, WindowServices& services, QWidget* parent = nullptr);

    // Shows config.EngSet in the boxes, derives EngSet(15..19), emits SettingsApplied.
    void ApplyEngSet();

    // 0 "入力消去" (clear), 1 "設定読込み" (load a file), 2 "..." (browse for the engine).
    void Com_Click(int index);
    void CheckModo_Click(int index);
    void CheckEdit_Click();
    void CheckBlack_Click();
    void OKButton_Click();
    void CancelButton_Click();
    // The window's close button and Escape count as Cancel.
    void reject() override;

    std::array<QLineEdit*, 10> MnuToolEngine{};
    std::array<QPushButton*, 3> Com{};
    std::array<QCheckBox*, 2> CheckModo{};
    QCheckBox* CheckEdit = nullptr;
    QCheckBox* CheckBlack = nullptr;
    QCheckBox* CheckForce = nullptr;
    // The protocol: item 0 the command set ("xboard"), 1 "UCI".
    QComboBox* ComboProtocol = nullptr;
    // What the question to the engine found, or that it is being asked.
    QLabel* LabelProbe = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // The engine of the settings shown is being asked whether it speaks UCI.
    bool Probing() const { return probe_ != nullptr; }

signals:
    // The question to the engine has been answered (or given up).
    void ProbeFinished();
    // The window relabels its level entries with the three level commands
    // and unchecks them.
    void SettingsApplied();
    // OK's last step before hiding: the window writes "Vorlik.ini" with its options.
    void WriteIni();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // The settings as the boxes show them: EngSet(0..9) and the five boxes.
    EngineSettings FromBoxes() const;
    std::string SettingsFileToRead(const std::string& name) const;
    bool SaveEngine();
    void Warn(const QString& text);
    void ShowProtocol(EngineProtocolKind protocol);
    EngineProtocolKind ChosenProtocol() const;
    // Asks the engine of set whether it speaks UCI; the answer sets the choice.
    void Probe(const EngineSettings& set);
    void ProbeAnswered(EngineProtocolKind protocol);
    void EndProbe(const QString& said);

    EngineConfig& config_;
    WindowServices& services_;
    EngineSettings opened_;  // config.EngSet as it was when the dialog was shown
    EngineProbe* probe_ = nullptr;
    QLabel* newGameLabel_ = nullptr;  // the fixed command of a new game: "new" or "ucinewgame"
};

}  // namespace vorlik
