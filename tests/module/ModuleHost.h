// A host of the built module file as the tests drive it: the module loaded afresh for each
// test and reached only through GetExport and the interfaces as BinaryInterface.h declares
// them, the host doubles injected under the manifest's three imports, and everything the
// module prints captured.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "BinaryInterface.h"
#include "HostDoubles.h"
#include "StdoutCapture.h"
#include "kel/host/ModuleLibrary.h"

namespace kel::testing {

// The module file the build produced (an absolute path; wine maps it through drive Z:).
inline constexpr char kModulePath[] = KEL_MODULE_PATH;

// `text` followed by the end of line that standard output writes.
inline std::string Line(const std::string& text) {
  return text + kStdoutLineEnd;
}

// A pointer of type T* that is no object, preset into out-parameters to tell "left as it
// was" from "written".
template <class T>
T* Sentinel() {
  static unsigned char placeholder;
  return reinterpret_cast<T*>(&placeholder);
}

class ModuleHostTest : public ::testing::Test, public hostdouble::InjectedServices {
 public:
  // Parse with argv[0] "prog" followed by `arguments`, whose bytes are overwritten as soon as
  // Parse returns: a result owns copies.
  abi::Code Parse(const std::vector<std::string>& arguments);
  // Parse, then GetParameters; fails the test unless both succeed.
  ObjectPtr<abi::IParameters> ParseAndGet(const std::vector<std::string>& arguments);

  std::optional<host::ModuleLibrary> module_;
  std::string printedByLoad_;                               // by the load in SetUp
  std::vector<ObjectPtr<hostdouble::Observer>> observers_;  // kept past the unload
  abi::Code (*getExport_)(const char* id, abi::IObjectBase** out) = nullptr;
  ObjectPtr<abi::IPlugin> plugin_;
  ObjectPtr<abi::IParser> parser_;
  ObjectPtr<abi::IImportsContainer> imports_;

 protected:
  void SetUp() override;
  // Unloads the module unless the test did, checking that the unload printed
  // "PlugDLL deleted" alone; then checks that no host object is alive and that the module
  // called nothing on a host object at a position where it calls nothing.
  void TearDown() override;

  // Everything printed since the load or the previous call.
  std::string TakeStdout();
  // Gives back the fixture's references to the plug-in, checking that the module keeps
  // exactly one and that the test took everything printed so far, unloads, and returns what
  // the unload printed.
  std::string ReleaseAndUnload();
  // The logger and each proxy held by the host and the import table, each factory by the
  // host and its proxy.
  void ExpectServicesAtRest() const;

 private:
  std::optional<StdoutCapture> capture_;
};

}  // namespace kel::testing
