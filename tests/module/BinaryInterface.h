// The binary interface of the module, as these tests' host declares it: every interface the
// module implements, its operations in their documented order, written without the module's
// headers; the host's own objects are reached as IObject (HostDoubles.h declares their
// operations). Calls through these declarations reach whatever the module put at each
// position, so an operation the module's headers moved lands on a neighbour and shows.
#pragma once

#include <cstdint>

#include "kel/ObjectPtr.h"  // the owning handle only: a template over any counted interface

namespace kel::testing::abi {

using Code = std::int32_t;
using Count = std::uint32_t;
using Tid = std::uint32_t;

class IObjectBase {
 public:
  virtual Count AddRef() = 0;
  virtual Count Release() = 0;
  virtual Code GetInterface(const char* id, void** out) = 0;
  virtual Code QueryInterface(const char* id, void** out) = 0;
  virtual bool IsUnique() = 0;
  virtual Count GetRefCount() = 0;

 protected:
  ~IObjectBase() = default;
};

struct IObject : IObjectBase {
  virtual void AddObserver(IObject* observer, void* cookie) = 0;
  virtual void RemoveObserver(IObject* observer) = 0;
  virtual Tid GetThreadId() = 0;
  virtual Code SetThreadId(Tid threadId) = 0;
};

struct IPlugin : IObject {
  virtual Code PluginHook(void* context) = 0;
};

struct IOptionsIterator : IObjectBase {
  virtual Code Next() = 0;
  virtual bool IsEnd() = 0;
  virtual const char* GetName() = 0;
  virtual Code HasValue(bool* hasValue) = 0;
  virtual Code GetValue(IObject** value) = 0;
};

struct IParameters : IObject {
  virtual Code GetFreeArguments(IObject** arguments) = 0;
  virtual Code HasOption(const char* name, bool* present) = 0;
  virtual Code HasOptionValue(const char* name, bool* hasValue) = 0;
  virtual Code GetOptionValue(const char* name, IObject** value) = 0;
#if defined(_WIN32)
  // The module follows Microsoft's convention for a member returning a class (`this`, then
  // the result's address, which comes back); GCC for Windows would pass the two the other
  // way round, so this host spells the convention out.
  virtual ObjectPtr<IOptionsIterator>* GetOptionsIterator(ObjectPtr<IOptionsIterator>* result) = 0;
#else
  virtual ObjectPtr<IOptionsIterator> GetOptionsIterator() = 0;
#endif
  virtual Code CreateOptionsIterator(IOptionsIterator** iterator) = 0;
};

struct IParser : IObject {
  virtual Code Parse(std::int32_t argc, const char* const* argv) = 0;
  virtual Code GetParameters(IParameters** out) = 0;
};

struct IImportsContainer : IObject {
  virtual Code SetImport(const char* property, IObjectBase* object) = 0;
  virtual Code Reserved1() = 0;
  virtual Code Reserved2() = 0;
  virtual Code ClearImports() = 0;
};

// A new iterator over `parameters`' options, in whichever convention the platform's slot uses.
inline ObjectPtr<IOptionsIterator> OptionsIterator(IParameters& parameters) {
#if defined(_WIN32)
  ObjectPtr<IOptionsIterator> iterator;
  parameters.GetOptionsIterator(&iterator);  // constructs over the empty handle
  return iterator;
#else
  return parameters.GetOptionsIterator();
#endif
}

}  // namespace kel::testing::abi

namespace kel::testing::contract {

inline constexpr char kObjectBase[] = "com.velkora.general.kel.IObjectBase/1.0";
inline constexpr char kObject[] = "com.velkora.general.kel.IObject/1.0";
inline constexpr char kPlugin[] = "com.velkora.zq.client.IPlugin/1.0";
inline constexpr char kParser[] = "com.velkora.zq.ICommandLineParametersParser/1.0";
inline constexpr char kImports[] = "com.velkora.general.kel.IImportsContainer/1.0";
inline constexpr char kParameters[] = "com.velkora.zq.ICommandLineParameters/1.0";
inline constexpr char kExportProxy[] = "com.velkora.general.kel.IExportProxy/1.0";
inline constexpr char kStringFactory[] = "com.velkora.general.kel.IStringFactory/1.0";
inline constexpr char kCollectionFactory[] = "com.velkora.general.kel.ICollectionFactory/1.0";
inline constexpr char kPluginExport[] = "com.velkora.zq.CCommandLineParametersParserPlugin/1.0";

}  // namespace kel::testing::contract
