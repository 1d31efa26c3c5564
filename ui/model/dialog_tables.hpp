#pragma once
// What the dialogs that read addresses need from the session: the tables
// their validator resolves names in, the trace board it checks logic probes
// against, and whether the options' system mode is on.
#include "core/target_interfaces.hpp"

namespace tarvex {
class TSymboltabelle;
class TZeilennummertabelle;
class TRegisterTabelle;
class ITraceInfo;
}  // namespace tarvex

namespace tarvex::ui {

struct DialogTables {
    TSymboltabelle* symbols = nullptr;
    TZeilennummertabelle* lines = nullptr;
    const TRegisterTabelle* registers = nullptr;
    const ITraceInfo* trace = nullptr;
    TargetContext context{};
    bool systemMode = false;
};

}  // namespace tarvex::ui
