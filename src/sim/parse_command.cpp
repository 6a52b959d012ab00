#include "sim/parse_command.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>

#include <string>
#include <string_view>

namespace tamo::sim {
namespace {

// A string as nlohmann's dump writes it (bytes that are not UTF-8 as U+FFFD): plain printable
// ASCII as it is, anything else through the library.
void AppendJsonString(std::string& out, std::string_view text) {
    const bool plain =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; });
    if (plain) {
        out += '"';
        out += text;
        out += '"';
        return;
    }
    out += nlohmann::ordered_json(std::string(text))
               .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// One JSON object on one line, written as nlohmann's dump writes it, key by key in order: a
// million lines were mostly the building of a document object per line.
class JsonLine {
public:
    explicit JsonLine(std::string& out) : out_(out) { out_.assign(1, '{'); }
    void Key(std::string_view key) {
        if (out_.size() > 1) {
            out_ += ',';
        }
        AppendJsonString(out_, key);
        out_ += ':';
    }
    void Text(std::string_view key, std::string_view value) {
        Key(key);
        AppendJsonString(out_, value);
    }
    // The library's own shortest round-trip form of a double, "null" for one that is not finite.
    void Number(std::string_view key, double value) {
        Key(key);
        if (!std::isfinite(value)) {
            out_ += "null";
            return;
        }
        std::array<char, 64> buffer{};
        char* end = nlohmann::detail::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
        out_.append(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    }
    void Number(std::string_view key, int value) {
        Key(key);
        out_ += std::to_string(value);
    }
    void Bool(std::string_view key, bool value) {
        Key(key);
        out_ += value ? "true" : "false";
    }

private:
    std::string& out_;
};

} // namespace

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
    std::string text;
    std::string out_line;
    for (int entry = 1; entry <= st.PrgLineCount + 1; ++entry) {
        // A file that ends without a line end has no entry after its last item: it reads as empty.
        text.assign(st.PrgBuf.Text(static_cast<std::size_t>(entry)));
        st.PrgLine = text;
        cnc.ParseLine();

        JsonLine line(out_line);
        line.Number("entry", entry);
        line.Text("text", text);
        line.Text("PrgLine", st.PrgLine);
        line.Text("GCode", st.GCode);
        line.Number("StartX", st.StartX);
        line.Number("StartY", st.StartY);
        line.Number("StartZ", st.StartZ);
        line.Number("TargetX", st.TargetX);
        line.Number("TargetY", st.TargetY);
        line.Number("TargetZ", st.TargetZ);
        line.Number("ArcI", st.ArcI);
        line.Number("ArcJ", st.ArcJ);
        line.Number("ProgFeed", st.ProgFeed);
        line.Number("FeedRate", st.FeedRate);
        line.Number("StepDelay", st.StepDelay);
        if (const auto* m = std::get_if<std::string>(&st.MWord)) {
            line.Text("MWord", *m);
        } else {
            line.Number("MWord", 0);
        }
        line.Number("MCode", st.MCode);
        line.Text("TWord", st.TWord);
        line.Number("ToolNo", st.ToolNo);
        line.Bool("SingleStep", st.SingleStep);
        line.Text("Text2", cnc.main.Text2);
        line.Text("Text3", cnc.main.Text3);
        line.Key("messages");
        out_line += '[';
        const auto& all = machine.op.messages();
        for (std::size_t first = shown; shown < all.size(); ++shown) {
            if (shown > first) {
                out_line += ',';
            }
            AppendJsonString(out_line, all[shown].text);
        }
        out_line += "]}\n";
        out << out_line;
    }
    return 0;
}

} // namespace tamo::sim
