#include "CCommandLineOptionsIterator.h"

#include "ValueStrings.h"
#include "kel/InterfaceTable.h"
#include "kel/OperationBoundary.h"

namespace {
using Self = CCommandLineOptionsIterator;
// The iterator's own interface has no contract id: only the root contract is answered.
constexpr kel::InterfaceEntry<Self> kInterfaces[] = {
    {kel::IObjectBase::kContractId, &kel::SelectInterface<Self, ICommandLineOptionsIterator>},
};
}  // namespace

kel::ObjectPtr<CCommandLineOptionsIterator> CCommandLineOptionsIterator::Create(
    const OptionMap& options) {
  return kel::ObjectLifetime::Create<CCommandLineOptionsIterator>(options);
}

kel::ResultCode CCommandLineOptionsIterator::QueryInterface(kel::ContractId id, void** out) {
  return kel::QueryInterfaceTable(*this, kInterfaces, id, out);
}

kel::ResultCode CCommandLineOptionsIterator::Next() {
  if (IsEnd()) return kel::result::kNothingToActOn;
  ++position_;
  return kel::result::kOk;
}

kel::ResultCode CCommandLineOptionsIterator::HasValue(bool* hasValue) {
  if (IsEnd() || hasValue == nullptr) return kel::result::kNothingToActOn;
  *hasValue = !position_->second.empty();
  return kel::result::kOk;
}

kel::ResultCode CCommandLineOptionsIterator::GetValue(kel::IString** value) {
  if (IsEnd() || value == nullptr) return kel::result::kNothingToActOn;
  if (position_->second.empty()) return kel::result::kNotFound;
  return kel::RunOperation([&] {
    CreateHostString(position_->second).CopyTo(value);
    return kel::result::kOk;
  });
}
