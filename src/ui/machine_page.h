#pragma once

#include <QWidget>

#include <vector>

class QLineEdit;
class QComboBox;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// Setup > Machine: the machine's travel, homing, spindle and coolant pins and probe
// (cnc.machine_page), each field with its unit. Edits go into the model at once; "Ok" and
// "Cancel" call the core. Modeless and only ever hidden, as the settings dialog.
class MachinePage final : public QWidget {
public:
    explicit MachinePage(tamo::Cnc& cnc, QWidget* parent = nullptr);
    void Refresh();

private:
    struct Field {
        QWidget* widget;
        int index;
    };
    tamo::Cnc& cnc_;
    std::vector<Field> fields_;
};

} // namespace tamo::ui
