// Stands in for the OMF-51/OMF2 conversion until it is built: the format is
// refused like one without a loader.
#include "host/loader.hpp"

namespace tarvex {

void LoadOmf(TVokWinLoader& loader) {
    loader.Refuse(LoadValueNotValid(213));
}

}  // namespace tarvex
