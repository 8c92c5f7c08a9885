#include "thrown_description.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

#include "addon001/afx/cstring.h"
#include "quote.h"

namespace host {

namespace {
std::string readableName(const std::type_info* type) {
    if (type == nullptr) return "unknown";
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> readable(
        abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(type->name());
}

// The name of the type of the exception being handled, demangled where the runtime can.
std::string currentExceptionType() {
    return readableName(abi::__cxa_current_exception_type());
}
}  // namespace

std::string describeThrown() {
    try {
        throw;
    } catch (const char* text) {
        return "threw " + quote(text != nullptr ? text : "(null)");
    } catch (const std::string& text) {
        return "threw " + quote(text);
    } catch (const CString& text) {
        return "threw " + quote(text.GetString());
    } catch (const std::exception& error) {
        return "threw " + readableName(&typeid(error)) + ": " + error.what();
    } catch (int value) {
        return "threw an int (" + std::to_string(value) + ")";
    } catch (...) {
        return "threw an exception of type " + currentExceptionType();
    }
}

}  // namespace host
