#include "thrown_description.h"

#include <cxxabi.h>

#include <boost/core/demangle.hpp>
#include <exception>
#include <typeinfo>

#include "addon001/afx/cstring.h"
#include "text/quote.h"

namespace host {

namespace {
std::string readableName(const std::type_info* type) {
    return type == nullptr ? std::string("unknown") : boost::core::demangle(type->name());
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

std::string describeActiveException() {
    const std::exception_ptr active = std::current_exception();
    if (!active) return std::string();
    try {
        std::rethrow_exception(active);
    } catch (...) {
        return describeThrown();
    }
}

}  // namespace host
