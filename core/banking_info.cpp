#include "core/banking_info.hpp"

namespace tarvex {

namespace {
const IBankingInfo* g_banking = nullptr;
}  // namespace

const IBankingInfo* currentBanking() { return g_banking; }
void setCurrentBanking(const IBankingInfo* banking) { g_banking = banking; }

}  // namespace tarvex
