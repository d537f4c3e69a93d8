// DialogMnuGameEngine: edits the description of one engine (how to start
// it, which optional commands it understands), saves it as "<name>.mek" in
// the program folder and makes it the current engine. The dialog lives for
// the whole run and is only hidden after use, so its boxes persist.
#pragma once

#include "engine/EngineSettings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vorlik {

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
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

signals:
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

    EngineConfig& config_;
    WindowServices& services_;
    EngineSettings opened_;  // config.EngSet as it was when the dialog was shown
};

}  // namespace vorlik
