#include "ui/readout_panel.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"
#include "view/axis_zero.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <string>

namespace tamo::ui {
namespace {

// How far apart the widest and the narrowest digit of the font are, in pixels at a large size: 0
// when the digits stand in columns, so that the decimal points of right-aligned readouts line up
// and a digit that changes never shifts the others.
int DigitSpread(QFont font) {
    font.setPixelSize(96);
    const QFontMetrics metrics(font);
    int narrowest = metrics.horizontalAdvance(QLatin1Char('0'));
    int widest = narrowest;
    for (char digit = '1'; digit <= '9'; ++digit) {
        const int advance = metrics.horizontalAdvance(QLatin1Char(digit));
        narrowest = std::min(narrowest, advance);
        widest = std::max(widest, advance);
    }
    return widest - narrowest;
}

// The desktop's fixed-width font when its digits are of one width, else the first family that has
// them so, else the one whose digits differ least. Whether a desktop calls a font fixed-pitch says
// nothing about its digits: some monospaced families are not reported so, and a proportional
// desktop font may have tabular digits.
QFont ChooseReadoutFont() {
    QFont best = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    best.setBold(true);
    int best_spread = DigitSpread(best);
    for (const char* family :
         {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono", "Noto Mono", "Courier New", "monospace"}) {
        if (best_spread == 0) {
            break;
        }
        QFont candidate{QString::fromLatin1(family)};
        candidate.setStyleHint(QFont::Monospace);
        candidate.setBold(true);
        if (const int spread = DigitSpread(candidate); spread < best_spread) {
            best = candidate;
            best_spread = spread;
        }
    }
    return best;
}

// The widest readout a machine of this size shows: four digits before the point and a sign.
const QString kWidestReadout = QStringLiteral("-0000.0000");
constexpr int kRows = 3;
constexpr int kMargin = 6;
// Columns of the grid: program label, readout, unit, each row's "Zero X/Y/Z", "Set" and "Zero all",
// gap, the same for the machine, gap, and the run buttons.
constexpr int kProgramColumn = 0;
constexpr int kMachineColumn = 6;
constexpr int kRunColumn = 12;
constexpr std::array<const char*, 3> kZeroAxis{"Zero X", "Zero Y", "Zero Z"};

} // namespace

ReadoutPanel::ReadoutPanel(tamo::Cnc& cnc, Handler act, QWidget* parent)
    : QFrame(parent), cnc_(cnc), act_(std::move(act)) {
    SetUpBar(*this, QStringLiteral("Picture2"));

    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(kMargin, kMargin / 2, kMargin, kMargin / 2);
    grid_->setHorizontalSpacing(kMargin);
    grid_->setVerticalSpacing(0);

    readout_font_ = ChooseReadoutFont();
    // Three times the text of the frame, measured as the height of its font.
    const QFont bold = Bold(font());
    least_pixels_ = 3 * QFontMetrics(bold).height();

    const std::array<const char*, 6> axis_names{
        "Program X:", "Program Y:", "Program Z:", "Machine Z:", "Machine Y:", "Machine X:"};
    for (int i = 0; i < 6; ++i) {
        // AxisName(5), (4), (3) are the machine's X, Y, Z from the top.
        const bool program = i < 3;
        const int row = program ? i : 5 - i;
        auto* label = new QLabel(QLatin1String(axis_names[static_cast<std::size_t>(i)]), this);
        label->setObjectName(Indexed("AxisName", i));
        label->setFont(bold);
        grid_->addWidget(label, row, program ? kProgramColumn : kMachineColumn);
    }
    for (int i = 0; i < kRows; ++i) {
        const auto k = static_cast<std::size_t>(i);
        for (const bool program : {true, false}) {
            auto* readout = new QLabel(QStringLiteral("0.0000"), this);
            readout->setObjectName(Indexed(program ? "PrgOutlbl" : "MachOutLl", i));
            readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto* unit = new QLabel(this);
            unit->setObjectName(Indexed(program ? "PrgUnit" : "MachUnit", i));
            unit->setFont(bold);
            const int column = program ? kProgramColumn : kMachineColumn;
            grid_->addWidget(readout, i, column + 1);
            grid_->addWidget(unit, i, column + 2);
            (program ? prg_out_ : mach_out_)[k] = readout;
            units_[program ? k : k + 3] = unit;
        }
    }

    auto button = [this](const char* name, const char* caption, int row, int column, std::function<void()> call) {
        auto* b = new QPushButton(QLatin1String(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, call = std::move(call)] { act_(call); });
        grid_->addWidget(b, row, column);
        return b;
    };
    // Touch-off is per axis: each row's "Zero" sets only its axis to 0 where the tool stands; "Set"
    // types what each axis should read here; "Zero all" zeroes the three.
    for (int i = 0; i < kRows; ++i) {
        const char* caption = kZeroAxis[static_cast<std::size_t>(i)];
        button(Indexed("ZeroPrgAxis", i).toLatin1().constData(), caption, i, kProgramColumn + 3,
               [this, i] { ZeroAxis(cnc_, true, i); });
        button(Indexed("ZeroMachAxis", i).toLatin1().constData(), caption, i, kMachineColumn + 3,
               [this, i] { ZeroAxis(cnc_, false, i); });
    }
    button("SetPrg", "Set", 0, kProgramColumn + 4, [this] {
        cnc_.SetPrg();
    })->setToolTip(QStringLiteral("Type what each program axis should read here"));
    button("ZeroPrg", "Zero all", 1, kProgramColumn + 4, [this] { cnc_.ZeroPrg(); });
    button("Command11", "Set", 0, kMachineColumn + 4, [this] {
        cnc_.SetMachine();
    })->setToolTip(QStringLiteral("Type what each machine axis should read here"));
    button("Command12", "Zero all", 1, kMachineColumn + 4, [this] { cnc_.ZeroMachine(); });
    reset_program_ = button("Command10", "Reset Program", 0, kRunColumn, [this] { cnc_.ResetProgram(); });
    pause_ = button("Command1", "Pause", 1, kRunColumn, [this] { cnc_.Pause(); });
    // Pressed while a stopped move waits for "Execute Program"; a click always pauses.
    pause_->setCheckable(true);
    grid_->setColumnStretch(kMachineColumn - 1, 1);
    grid_->setColumnStretch(kRunColumn - 1, 1);

    SetReadoutFont(least_pixels_);
    for (QLabel* unit : units_) {
        unit->setText(QStringLiteral("mm")); // the wider of the two units
    }
    least_size_ = grid_->minimumSize();
    other_width_ = least_size_.width() - 2 * ReadoutWidth(least_pixels_);
    Refresh();
}

QFont ReadoutPanel::ReadoutFont(int pixels) const {
    QFont fixed = readout_font_;
    fixed.setPixelSize(pixels);
    return fixed;
}

int ReadoutPanel::ReadoutWidth(int pixels) const {
    return QFontMetrics(ReadoutFont(pixels)).horizontalAdvance(kWidestReadout) + 2;
}

void ReadoutPanel::SetReadoutFont(int pixels) {
    readout_pixels_ = pixels;
    const QFont big = ReadoutFont(pixels);
    // A fixed size: a new text then only repaints the readout and never lays out the bar again,
    // which twenty times a second would cost a tick dearly.
    const QSize size(ReadoutWidth(pixels), QFontMetrics(big).height());
    for (std::size_t i = 0; i < kRows; ++i) {
        for (QLabel* readout : {prg_out_[i], mach_out_[i]}) {
            readout->setFont(big);
            readout->setFixedSize(size);
            FitText(readout);
        }
    }
}

// A readout wider than the widest this machine shows (a program origin far off, a value of seven
// digits) takes a smaller font, so that no digit is cut; back at the bar's own font when it fits.
// Costs a measure of one short text per refresh.
void ReadoutPanel::FitText(QLabel* readout) const {
    QFont font = ReadoutFont(readout_pixels_);
    const int room = readout->width() - 2;
    const int wide = QFontMetrics(font).horizontalAdvance(readout->text());
    int pixels = readout_pixels_;
    if (wide > room && room > 0) {
        pixels = std::max(1, readout_pixels_ * room / wide);
        for (font.setPixelSize(pixels); pixels > 1 && QFontMetrics(font).horizontalAdvance(readout->text()) > room;) {
            font.setPixelSize(--pixels);
        }
    }
    if (readout->font().pixelSize() != pixels) {
        readout->setFont(ReadoutFont(pixels));
    }
}

void ReadoutPanel::FitReadouts() {
    const QMargins margins = grid_->contentsMargins();
    const int row = (contentsRect().height() - margins.top() - margins.bottom()) / kRows;
    const int room = contentsRect().width() - other_width_;
    int pixels = least_pixels_;
    for (int p = std::max(least_pixels_, row); p > least_pixels_; --p) {
        if (QFontMetrics(ReadoutFont(p)).height() <= row && 2 * ReadoutWidth(p) <= room) {
            pixels = p;
            break;
        }
    }
    if (pixels != readout_pixels_) {
        SetReadoutFont(pixels);
        grid_->activate(); // the columns take the new widths now, not at the next event processing
    }
}

void ReadoutPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FitReadouts();
}

void ReadoutPanel::Refresh() {
    const MainWindowModel& m = cnc_.main;
    for (std::size_t i = 0; i < kRows; ++i) {
        ShowText(prg_out_[i], m.PrgOutlbl[i]);
        ShowText(mach_out_[i], m.MachOutLl[i]);
        FitText(prg_out_[i]);
        FitText(mach_out_[i]);
    }
    for (QLabel* unit : units_) {
        ShowText(unit, cnc_.status.Unit);
    }
    reset_program_->setEnabled(!cnc_.Running());
    const bool resumes = cnc_.StartResumes();
    if (pause_->isChecked() != resumes) {
        const QSignalBlocker block(pause_);
        pause_->setChecked(resumes);
        pause_->setToolTip(resumes ? QStringLiteral("Paused: \"Execute Program\" goes on with the stopped move")
                                   : QString());
    }
}

} // namespace tamo::ui
