#pragma once
// The analyser's steps that exist only in the checker builds: the bytes the
// corrected HEX file receives, a cursor over the substituted hooks and the
// analyser's version text. The message output is the engine's (qz_check_main).
#include <cstdint>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"

namespace tarvex {

class TPellunarComp;
class TPellunarItem;
class TPellunarList;

// The analyser version of the checker builds; the engine appends its suffix.
std::string PellunarVersion();

// Walks the substituted hooks of a list in address order.
class TSubstitutedCursor {
public:
    // Sorts the list by address and returns its first substituted item.
    TPellunarItem* FirstSubstituted(TPellunarList& list);
    // The next substituted item after the cursor; none at the end or when
    // there is no cursor.
    TPellunarItem* NextSubstituted();

private:
    TPellunarList* list_ = nullptr;
    std::size_t index_ = 0;
    bool valid_ = false;
};

// The bytes for the output file at a place: the analyser's image, where every
// accepted hook stands in its substitute form, except that substituted hooks
// inside typed data objects (tables that merely contain the bytes of a call)
// get the program's own bytes back; each of those is warned about
// ("LCALL code not substituted: ...", level 1) once for every call.
std::vector<std::uint8_t> OutputBytes(TPellunarComp& analyser, const TBankAdresse& address, std::uint32_t count);

}  // namespace tarvex
