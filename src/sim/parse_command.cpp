#include "sim/parse_command.h"

#include <nlohmann/json.hpp>

namespace tamo::sim {

int RunParse(const std::string& program, const MachineOptions& options, std::ostream& out, std::ostream& err) {
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }
    Cnc& cnc = machine.cnc;
    MachineState& st = cnc.st;
    if (std::string problem = cnc.ReadProgramItems(program); !problem.empty()) {
        err << "tamocnc-sim: cannot read " << program << ": " << problem << '\n';
        return 2;
    }

    st.Previewing = false;
    std::size_t shown = 0;
    for (int entry = 1; entry <= st.PrgLineCount + 1; ++entry) {
        // A file that ends without a line end has no entry after its last item: it reads as empty.
        const std::string text(st.PrgBuf.Text(static_cast<std::size_t>(entry)));
        st.PrgLine = text;
        cnc.ParseLine();

        nlohmann::ordered_json line;
        line["entry"] = entry;
        line["text"] = text;
        line["PrgLine"] = st.PrgLine;
        line["GCode"] = st.GCode;
        line["StartX"] = st.StartX;
        line["StartY"] = st.StartY;
        line["StartZ"] = st.StartZ;
        line["TargetX"] = st.TargetX;
        line["TargetY"] = st.TargetY;
        line["TargetZ"] = st.TargetZ;
        line["ArcI"] = st.ArcI;
        line["ArcJ"] = st.ArcJ;
        line["ProgFeed"] = st.ProgFeed;
        line["FeedRate"] = st.FeedRate;
        line["StepDelay"] = st.StepDelay;
        if (const auto* m = std::get_if<std::string>(&st.MWord)) {
            line["MWord"] = *m;
        } else {
            line["MWord"] = 0;
        }
        line["MCode"] = st.MCode;
        line["TWord"] = st.TWord;
        line["ToolNo"] = st.ToolNo;
        line["SingleStep"] = st.SingleStep;
        line["Text2"] = cnc.main.Text2;
        line["Text3"] = cnc.main.Text3;
        nlohmann::ordered_json messages = nlohmann::ordered_json::array();
        const auto& all = machine.op.messages();
        for (; shown < all.size(); ++shown) {
            messages.push_back(all[shown].text);
        }
        line["messages"] = messages;
        // Bytes that are not UTF-8 (a program saved in a legacy code page) show as U+FFFD.
        out << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    }
    return 0;
}

} // namespace tamo::sim
