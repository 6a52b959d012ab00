#pragma once

namespace tamo {

class Cnc;

// "Zero X" / "Zero Y" / "Zero Z" of the coordinate bar: touch-off is per axis. The one axis (0..2)
// of the program set (program true) or of the machine set reads 0 where the tool stands; nothing
// moves, and where the program origin now lies is told as every origin change tells it. Changes:
// ProgPosX/Y/Z or MachPosX/Y/Z (one of them), the readouts, the notice and the log.
void ZeroAxis(Cnc& cnc, bool program, int axis);

} // namespace tamo
