#include "platform/DatabaseError.h"

#include <utility>

namespace {

std::string describe(const std::string& sqlState, long nativeCode, const std::string& message) {
    return message + "\n(SQLSTATE " + sqlState + ", native code " + std::to_string(nativeCode) + ")";
}

} // namespace

DatabaseError::DatabaseError(std::string sqlState, long nativeCode, std::string message)
    : std::runtime_error(describe(sqlState, nativeCode, message)), m_sqlState(std::move(sqlState)),
      m_nativeCode(nativeCode), m_message(std::move(message)) {}
