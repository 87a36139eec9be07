#include "utils/exception.h"

#include "utils/strings.h"

EError::EError(std::u16string message) : FMessage(std::move(message)), FUtf8(ToUtf8(FMessage)) {}
