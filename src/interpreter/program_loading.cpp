// Program loading: a part program file into the program buffer.

#include "interpreter/cnc.h"
#include "platform/file_io.h"

namespace tamo {

// Sizes PrgBuf to the file's length in bytes and reads the file item by item into entries 1 to
// PrgLineCount. Changes: PrgBuf, PrgLineCount, and the program the run estimate works out. A read
// that fails part-way keeps the items read so far; the result says why it failed (empty when the
// whole file was read). A FIFO, a device or a file above kMaxProgramBytes is refused unread.
std::string Cnc::ReadProgramItems(const std::string& path) {
    st.PrgLineCount = 0;
    FileContents file = ReadWholeFile(path, kMaxProgramBytes);
    if (file.error != 0 && file.bytes.empty()) {
        return file.problem;
    }
    ++program_generation_;
    st.PrgBuf.Size(std::move(file.bytes));
    st.PrgLineCount = static_cast<int>(st.PrgBuf.ReadAllItems());
    return file.problem;
}

namespace {

// The program's own directory, where tamo.cfg and the gcodes folder live: the configuration's
// folder when there is a configuration file, else the directory the program was started from.
std::string ProgramDirectory(const std::filesystem::path& config_path) {
    std::filesystem::path dir = config_path.parent_path();
    if (dir.empty()) {
        std::error_code error;
        dir = std::filesystem::current_path(error);
    }
    return dir.string();
}

// The open dialog's first folder: where the operator last found a program, while it is still
// there, else the sample programs.
std::string OpenDialogFolder(const std::filesystem::path& last, const std::filesystem::path& samples,
                             const std::string& app_path) {
    std::error_code error;
    if (!last.empty() && std::filesystem::is_directory(last, error)) {
        return last.string();
    }
    return samples.empty() ? app_path + "/gcodes" : samples.string();
}

} // namespace

// File > Open. Changes: Caption, PrgLineCount, AppPath, LastProgramFolder (once a file is chosen),
// PrgBuf; on success also the positions (ResetPositions), StopRequest, ResumeMove, MWord, the
// block state that the toolpath redraw leaves, PlotStep and PlotTravel; Previewing only for the
// length of the operation; the view's pen width. Every failure (a cancelled dialog, a file that
// cannot be read) ends with the normal pointer, and what was done before it stays done: after a
// cancelled dialog no program is loaded. A cancelled dialog says nothing; a file that cannot be
// read is named, with the reason.
void Cnc::Open_Menu() {
    if (Running()) {
        return; // a new program under a running one would change the block it is cutting
    }
    main.Caption = kAppTitle;
    OpenProblem.clear();
    view().SetDrawWidth(1);
    st.PrgLineCount = 0;
    st.AppPath = ProgramDirectory(ConfigPath);
    auto fail = [this] {
        op().SetBusyPointer(false);
        st.Previewing = false;
        op().ModelsChanged();
    };

    const std::optional<std::string> chosen =
        op().ChooseOpenFile(OpenDialogFolder(LastProgramFolder, SamplesFolder, st.AppPath),
                            // The dialog starts on the first filter: every kind of program, the sample
                            // programs' .txt among them.
                            "G-code Files (*.nc *.ngc *.tap *.gcode *.cnc *.txt)|*.nc;*.ngc;*.tap;*.gcode;*.cnc;"
                            "*.txt|Text Files (*.txt)|*.txt|Flashcut files (*.fgc)|*.fgc|All Files (*.*)|*.*|");
    if (!chosen) {
        fail();
        return;
    }
    LastProgramFolder = std::filesystem::path(*chosen).parent_path();
    StageEnded("chosen");
    op().SetBusyPointer(true);
    st.Previewing = true;
    const std::string problem = ReadProgramItems(*chosen);
    StageEnded("read");
    OpenProblem = problem;
    if (!problem.empty()) {
        // The operator chose a file and must learn why nothing appears; a FIFO or a device would
        // otherwise look exactly like a file that opened and drew nothing.
        op().ShowMessage("The program " + *chosen + " cannot be read: " + problem + ".", kAppTitle);
    }
    if (!problem.empty() && st.PrgLineCount == 0) {
        // Nothing could be read: the file did not open.
        fail();
        return;
    }
    main.Caption += "     " + *chosen;
    if (!problem.empty()) {
        // The items read before the failure stay loaded, without a redraw.
        fail();
        return;
    }

    ResetPositions();
    UpdateReadouts();
    log.Add("Opened " + *chosen + ", " + std::to_string(st.PrgLineCount) + " lines");
    TellOrigin();
    st.StopRequest = false;
    st.ResumeMove = false;
    TegnUd();
    StageEnded("draw");
    // The redraw parsed every line, so a program that ends with an M word (M30, say) leaves it in
    // MWord, and the next Start would take it for the stop after a tool change and run on from
    // the old PrgLineNo instead of deciding how to start.
    st.MWord = 0.0;
    // A new program starts at its first line: neither the line reached in the old one nor a
    // pending "Move machine to end of line" continuation carries over to it.
    st.PrgLineNo = 0;
    st.ContinueRun = false;
    op().SetBusyPointer(false);
    UpdatePlotStep();
    st.Previewing = false;
    op().ModelsChanged();
}

} // namespace tamo
