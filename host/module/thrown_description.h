#pragma once

#include <string>

namespace host {

// What the exception being handled is, for a message: "threw \"text\"" for a thrown character
// string or std::string, "threw std::runtime_error: <what()>" for a standard exception (its
// dynamic type), "threw an int (42)", and for
// any other type "threw an exception of type <its name>". Only inside a catch block, and only
// while the module that threw is loaded: the thrown object, its text and its type's name may
// all live in the module's memory.
std::string describeThrown();

// describeThrown() for the exception being handled anywhere on this thread (in a terminate
// handler, say); empty when there is none.
std::string describeActiveException();

}  // namespace host
