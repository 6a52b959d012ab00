#pragma once

#include "interpreter/line_words.h"

#include <memory>
#include <string>
#include <string_view>

namespace tamo {

class Cnc;
struct MachineState;

// What Start refuses in a program, found beside another reading of it that parses every line
// anyway (the program check's): that reading hands over each line's text before its parse and the
// block after it, and here the block is counted as Start counts it, with the machine's own steps
// and from where Start's counting has brought the tool. The same line and words as
// RunEstimate::refused_line and refusal, without a parse of its own while every line is far from a
// refusal; with Start's own count from the first line once one may not be. After a refusal, or
// once the refusal is known, it does nothing.
class StartRefusalWalk {
public:
    // `start`: the controller as Start finds the loaded program, before the other reading begins.
    explicit StartRefusalWalk(const Cnc& start);
    StartRefusalWalk(StartRefusalWalk&&) noexcept;
    StartRefusalWalk& operator=(StartRefusalWalk&&) noexcept;
    ~StartRefusalWalk();

    // Line n before it is parsed: what NonFiniteWord finds in its text.
    void BeforeParse(int n, const NonFiniteNumber& word);
    // Line n as parsed (the block state; before an arc is dispatched), whose text carried an arc
    // word or not (CarriesArcWord).
    void Parsed(int n, const MachineState& parsed, bool may_arc);
    // The empty entry after the last line, once the last line has been handed over.
    void End();

    [[nodiscard]] int refused_line() const { return refused_line_; }
    [[nodiscard]] const std::string& refusal() const { return refusal_; }

private:
    struct Machine;
    void Count(int n, bool may_arc);
    void Settle();
    std::unique_ptr<Machine> m_;
    int refused_line_ = 0;
    std::string refusal_;
};

} // namespace tamo
