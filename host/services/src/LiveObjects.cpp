#include "kel/host/LiveObjects.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

namespace kel::host {
namespace {

constexpr std::array<std::string_view, kObjectKindCount> kKindNames = {
    "String",      "Collection", "StringFactory", "CollectionFactory",
    "ExportProxy", "Logger",     "Observer",      "PlainObject",
};

std::size_t Index(ObjectKind kind) noexcept {
  return static_cast<std::size_t>(kind);
}

// Constant-initialised, so objects made during static initialisation are counted too.
std::array<std::atomic<std::size_t>, kObjectKindCount> liveCounts{};
std::array<std::atomic<std::uint32_t>, kObjectKindCount> createdCounts{};

// The sink is swapped under the mutex and called through a shared copy outside it, so a
// sink may count host objects itself and SetTraceSink never waits for a running sink.
std::atomic<bool> tracing{false};
std::mutex sinkMutex;
std::shared_ptr<const TraceSink> sink;

}  // namespace

std::string_view KindName(ObjectKind kind) noexcept {
  return kKindNames[Index(kind)];
}

std::size_t LiveObjects::Count(ObjectKind kind) noexcept {
  return liveCounts[Index(kind)].load(std::memory_order_acquire);
}

std::size_t LiveObjects::Total() noexcept {
  std::size_t total = 0;
  for (const auto& count : liveCounts) total += count.load(std::memory_order_acquire);
  return total;
}

std::uint32_t LiveObjects::Created(ObjectKind kind) noexcept {
  return createdCounts[Index(kind)].load(std::memory_order_acquire);
}

std::string LiveObjects::Describe() {
  std::string text;
  for (std::size_t i = 0; i < kObjectKindCount; ++i) {
    const std::size_t count = liveCounts[i].load(std::memory_order_acquire);
    if (count == 0) continue;
    if (!text.empty()) text += ", ";
    text += kKindNames[i];
    text += ": ";
    text += std::to_string(count);
  }
  return text;
}

void LiveObjects::SetTraceSink(TraceSink newSink) {
  std::shared_ptr<const TraceSink> replacement;
  if (newSink) replacement = std::make_shared<const TraceSink>(std::move(newSink));
  std::lock_guard<std::mutex> lock(sinkMutex);
  tracing.store(replacement != nullptr, std::memory_order_release);
  sink.swap(replacement);
  // The old sink, if any, ends with `replacement` after the lock is gone.
}

std::uint32_t LiveObjects::OnConstructed(ObjectKind kind) noexcept {
  liveCounts[Index(kind)].fetch_add(1, std::memory_order_acq_rel);
  return createdCounts[Index(kind)].fetch_add(1, std::memory_order_acq_rel) + 1;
}

void LiveObjects::OnDestroyed(ObjectKind kind) noexcept {
  liveCounts[Index(kind)].fetch_sub(1, std::memory_order_acq_rel);
}

bool LiveObjects::Tracing() noexcept {
  return tracing.load(std::memory_order_acquire);
}

void LiveObjects::Trace(std::string_view operation, ObjectKind kind, std::uint32_t serial,
                        RefCount count) {
  std::shared_ptr<const TraceSink> current;
  {
    std::lock_guard<std::mutex> lock(sinkMutex);
    current = sink;
  }
  if (!current) return;
  std::string line(operation);
  line += ' ';
  line += KindName(kind);
  line += '#';
  line += std::to_string(serial);
  line += " -> ";
  line += std::to_string(count);
  if (operation == "Release" && count == 0) line += " (destroyed)";
  (*current)(line);
}

}  // namespace kel::host
