#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// FormSettings, "Settings": shows cnc.settings and nothing else. Every edit goes into the model at
// once; the unit options, "Ok" and "Cancel" call the core, which decides what the edits mean. The
// window is modeless and only ever hidden: whether it shows follows settings.Visible.
class SettingsDialog : public QWidget {
    Q_OBJECT
public:
    explicit SettingsDialog(tamo::Cnc& cnc, QWidget* parent = nullptr);

    // Model to widgets. An edit that already holds the model's text is left alone, so that the
    // cursor of the field being typed in never jumps.
    void Refresh();

protected:
    // The frame's close box behaves as "Cancel": the window is hidden, never destroyed.
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox* AddCombo(const QString& name, std::string& text, const QStringList& items, int left, int top, int width);
    QLineEdit* AddText(const QString& name, std::string& text, int left, int top, int width);
    QCheckBox* AddCheck(const QString& name, int& state, const QString& caption, int left, int top, int width);
    // Positions and sizes in twips.
    QLabel* AddLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height = 225);
    QLabel* AddHeading(const QString& name, const QString& caption, int left, int top, int width);
    void BuildGrid();
    void BuildLowerPart();
    void BuildUnitFrame();
    void Ok();
    void Cancel();

    struct ComboField {
        QComboBox* combo;
        std::string* text;
    };
    struct TextField {
        QLineEdit* edit;
        std::string* text;
    };
    struct CheckField {
        QCheckBox* box;
        int* state;
    };

    tamo::Cnc& cnc_;
    std::vector<ComboField> combos_;
    std::vector<TextField> texts_;
    std::vector<CheckField> checks_;
    QLabel* label4_ = nullptr;
    QLabel* label18_ = nullptr;
    QLabel* label24_ = nullptr;
    // The switch lines in force (machine.cfg), which the file's switch pin lines do not set.
    QLabel* switch_pins_ = nullptr;
    QRadioButton* optionmm_ = nullptr;
    QRadioButton* optionIn_ = nullptr;
};

} // namespace tamo::ui
