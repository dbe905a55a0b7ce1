// Live-object accounting and reference tracing for the host's objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "kel/Types.h"

namespace kel::host {

// What a host object is; accounting and trace names are kept per kind.
enum class ObjectKind : std::uint8_t {
  String,
  Collection,
  StringFactory,
  CollectionFactory,
  ExportProxy,
  Logger,
  Observer,
  PlainObject,
};
inline constexpr std::size_t kObjectKindCount = 8;

// "String", "Collection", ... : the enumerator's name.
std::string_view KindName(ObjectKind kind) noexcept;

// Receives one line per AddRef and Release of a host object.
using TraceSink = std::function<void(std::string_view line)>;

// Process-wide counts of host objects. An object counts as live from the start of its
// construction until its destructor has run. Every counter is atomic, so objects may be
// made and destroyed on any thread; a reading taken while other threads work may be stale.
class LiveObjects {
 public:
  LiveObjects() = delete;

  // Objects of `kind` alive now.
  static std::size_t Count(ObjectKind kind) noexcept;
  // Objects of every kind alive now.
  static std::size_t Total() noexcept;
  // Objects of `kind` constructed since the process started; the creation serial of the
  // latest one.
  static std::uint32_t Created(ObjectKind kind) noexcept;
  // "String: 2, Collection: 1": the kinds with live objects, in declaration order; empty
  // when nothing is alive.
  static std::string Describe();

  // Installs the sink that receives the trace lines; an empty function turns tracing off.
  // Lines read "AddRef String#3 -> 2", "Release String#3 -> 1" and
  // "Release String#3 -> 0 (destroyed)": kind, creation serial within the kind, and the
  // count the operation produced. The line of a destroying Release follows the lines of
  // the references that the destroyed object gave back. The sink runs on the counting
  // thread with no lock held, so it may read LiveObjects or replace itself; a reference it
  // takes or gives back on a host object is traced too, re-entering the sink.
  static void SetTraceSink(TraceSink sink);

 private:
  friend class HostObjectCore;

  // Counts a construction; returns its serial within the kind, starting at 1.
  static std::uint32_t OnConstructed(ObjectKind kind) noexcept;
  static void OnDestroyed(ObjectKind kind) noexcept;
  static bool Tracing() noexcept;
  static void Trace(std::string_view operation, ObjectKind kind, std::uint32_t serial,
                    RefCount count);
};

}  // namespace kel::host
