#pragma once

namespace pelmora {

// The public class under which the type library lists the library's enumerations (their values
// are in pelmora/device/Enumerations.h). It has no members; clients may still create it.
class Enumerations {};

}  // namespace pelmora
