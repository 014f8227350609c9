#pragma once

#include <string>

// The record types the server accepts, the roles in which one record names another, and what
// may refer to what: the one place these names are spelled. The result root is stored as a new
// result every time; every other type is a shared description record.
namespace RecordTypes {

inline constexpr char kResult[] = "KorvidResult";
inline constexpr char kOperatingSystem[] = "BenchmarkOperatingSystem";
inline constexpr char kOperatingSystemVersion[] = "BenchmarkOperatingSystemVersion";
inline constexpr char kLibrary[] = "BenchmarkLibrary";
inline constexpr char kLibraryVersion[] = "BenchmarkLibraryVersion";
inline constexpr char kProcessor[] = "BenchmarkCPU";
inline constexpr char kMotherboard[] = "BenchmarkMotherboard";
inline constexpr char kGraphicsCard[] = "BenchmarkGraphicsCard";

bool isKnown(const std::string& type);
bool isResult(const std::string& type);
// The type that a reference of that name in a record of type owner must name; empty when the
// owner has no such reference.
std::string referenceTarget(const std::string& owner, const std::string& reference);
// The element type of a collection of that name in a record of type owner; empty when none.
std::string collectionElement(const std::string& owner, const std::string& collection);

} // namespace RecordTypes

// The names of references and collections: the role the named record plays in its owner.
namespace RecordRoles {

// In a result.
inline constexpr char kGraphicsCard[] = "GraphicsCard";
inline constexpr char kOperatingSystem[] = "OperatingSystem";  // also in an OS version
inline constexpr char kProcessor[] = "Processor";
inline constexpr char kMotherboard[] = "Motherboard";
inline constexpr char kDriverLibraries[] = "DriverLibraries";  // the card's driver, by version
inline constexpr char kLibraries[] = "Libraries";              // the system libraries, by version
// In a library version.
inline constexpr char kLibrary[] = "Library";

} // namespace RecordRoles
