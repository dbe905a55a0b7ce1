#include "CCommandLineParameters.h"

#include <algorithm>
#include <string_view>

#include "CCommandLineOptionsIterator.h"
#include "ImportedServices.h"
#include "ValueStrings.h"
#include "kel/InterfaceTable.h"
#include "kel/OperationBoundary.h"

namespace {
using Self = CCommandLineParameters;
constexpr kel::InterfaceEntry<Self> kInterfaces[] = {
    {ICommandLineParameters::kContractId, &kel::SelectInterface<Self, ICommandLineParameters>},
    {kel::IObject::kContractId, &kel::SelectInterface<Self, ICommandLineParameters>},
    {kel::IObjectBase::kContractId, &kel::SelectInterface<Self, ICommandLineParameters>},
};

// Where the block starts: past the object, aligned for the views it begins with.
constexpr std::size_t kBlockOffset =
    (sizeof(CCommandLineParameters) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
    alignof(std::max_align_t);

}  // namespace

kel::ObjectPtr<CCommandLineParameters> CCommandLineParameters::Create(
    const FreeArgumentSet& freeArguments, const OptionMap& options) {
  return kel::ObjectLifetime::CreateWithTrailingBytes<CCommandLineParameters>(
      StoredArguments::BlockBytes(freeArguments, options), freeArguments, options);
}

void* CCommandLineParameters::operator new(std::size_t size, kel::TrailingBytes block) {
  return ::operator new(std::max(size, kBlockOffset) + block.count);
}

void CCommandLineParameters::operator delete(void* object) noexcept {
  ::operator delete(object);
}

// The complete object starts where its allocation does, so the block is at kBlockOffset.
CCommandLineParameters::CCommandLineParameters(const FreeArgumentSet& freeArguments,
                                               const OptionMap& options) noexcept
    : arguments_(freeArguments, options, reinterpret_cast<std::byte*>(this) + kBlockOffset) {}

kel::ResultCode CCommandLineParameters::QueryInterface(kel::ContractId id, void** out) {
  return kel::QueryInterfaceTable(*this, kInterfaces, id, out);
}

kel::ResultCode CCommandLineParameters::GetFreeArguments(kel::ICollection** arguments) {
  return kel::RunOperation([&] { return HandOutFreeArguments(arguments); });
}

kel::ResultCode CCommandLineParameters::HandOutFreeArguments(kel::ICollection** arguments) const {
  kel::ObjectPtr<kel::ICollection> collection;
  {
    const kel::ObjectPtr<kel::ICollectionFactory> factory = kel::GetCollectionFactory();
    if (!factory) return kel::result::kNotFound;  // nothing to make the collection with
    const kel::ResultCode created = factory->CreateCollection(collection.Put());
    if (created < 0) return created;
  }
  // A factory that reports success without a collection has given nothing to fill.
  if (!collection) return kel::result::kNotFound;
  AddFreeArgumentsTo(*collection);
  if (arguments == nullptr) return kel::result::kNullObjectOut;
  collection.CopyTo(arguments);
  return kel::result::kOk;
}

void CCommandLineParameters::AddFreeArgumentsTo(kel::ICollection& collection) const {
  for (const std::string_view argument : arguments_.FreeArguments()) {
    const kel::ObjectPtr<kel::IString> string = CreateHostString(argument);
    collection.Add(string.Get());  // result not examined; a string not made goes in as null
  }
}

kel::ResultCode CCommandLineParameters::HasOption(const char* name, bool* present) {
  if (name == nullptr || present == nullptr) return kel::result::kNothingToActOn;
  *present = arguments_.Options().contains(name);
  return kel::result::kOk;
}

kel::ResultCode CCommandLineParameters::HasOptionValue(const char* name, bool* hasValue) {
  if (name == nullptr || hasValue == nullptr) return kel::result::kNothingToActOn;
  const auto option = arguments_.Options().find(name);
  if (option == arguments_.Options().end()) return kel::result::kNotFound;
  *hasValue = !option->second.empty();
  return kel::result::kOk;
}

kel::ResultCode CCommandLineParameters::GetOptionValue(const char* name, kel::IString** value) {
  if (value == nullptr) return kel::result::kNothingToActOn;
  bool flag = false;
  if (HasOption(name, &flag) < 0 || !flag) return kel::result::kNotFound;
  HasOptionValue(name, &flag);  // cannot fail now: the name is given and present
  if (!flag) return kel::result::kNotFound;
  return kel::RunOperation([&] {
    CreateHostString(arguments_.Options().find(name)->second).CopyTo(value);
    return kel::result::kOk;
  });
}

kel::ResultCode CCommandLineParameters::CreateOptionsIterator(
    ICommandLineOptionsIterator** iterator) {
  return kel::RunOperation([&] {
    const kel::ObjectPtr<ICommandLineOptionsIterator> created =
        CCommandLineOptionsIterator::Create(arguments_.Options());
    if (iterator == nullptr) return kel::result::kNullObjectOut;  // the new iterator goes again
    created.CopyTo(iterator);
    return kel::result::kOk;
  });
}
