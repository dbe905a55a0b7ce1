#!/usr/bin/env bash
# Measures our Parse against the floor (copying the arguments into strings) and the other
# parsers on one workload and prints a Markdown report: instructions per argument counted
# by callgrind (the figure that stays put on a shared machine), allocations per Parse at
# each argument count, allocations per call of a result's operations, and whether each
# performance target is met. Builds the benchmark targets of the linux preset first.
# Takes under a minute once built.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh benchmarks
cmake --preset linux >/dev/null
cmake --build --preset linux --target parse_bench bench_instructions >/dev/null

bench=build/linux/bench
work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT

# Appends "id <tab> arguments <tab> instructions per argument <tab> label" to instructions.tsv.
count_instructions() {
  local id=$1 arguments=$2 repetitions=$3
  if ! valgrind --tool=callgrind --instr-atstart=no --collect-atstart=no \
      --callgrind-out-file="${work}/callgrind.out" \
      "${bench}/bench_instructions" "${id}" "${arguments}" "${repetitions}" \
      >"${work}/stdout" 2>"${work}/stderr"; then
    cat "${work}/stderr" >&2
    exit 1
  fi
  local total label
  total=$(sed -n 's/^totals: //p' "${work}/callgrind.out")
  label=$(sed -n 's/^parser: //p' "${work}/stdout")
  printf '%s\t%s\t%s\t%s\n' "${id}" "${arguments}" \
    "$(python3 -c "print(${total} / (${repetitions} * ${arguments}))")" "${label}" \
    >>"${work}/instructions.tsv"
}

for id in floor module in-process getopt cxxopts cli11 boost; do
  count_instructions "${id}" 1000 3
done
count_instructions module 10 300
count_instructions module 100000 1
count_instructions module 1000000 1

if ! "${bench}/parse_bench" --benchmark_filter='^parse/module/|^parse/[^/]+/1000$|^query/' \
    --benchmark_min_time=0.05 --benchmark_out="${work}/bench.json" --benchmark_out_format=json \
    >"${work}/stdout" 2>"${work}/stderr"; then
  cat "${work}/stderr" >&2
  exit 1
fi

python3 - "${work}/instructions.tsv" "${work}/bench.json" <<'EOF'
import csv, json, math, sys

instructions = {}  # (id, arguments) -> instructions per argument
labels = {}
with open(sys.argv[1]) as table:
    for parser_id, arguments, per_argument, label in csv.reader(table, delimiter="\t"):
        instructions[(parser_id, int(arguments))] = float(per_argument)
        labels[parser_id] = label

runs = {}
with open(sys.argv[2]) as report:
    for run in json.load(report)["benchmarks"]:
        if run.get("run_type") == "iteration":
            runs[run["name"]] = run

def parse_run(parser_id, arguments):
    return runs[f"parse/{parser_id}/{arguments}"]

def number(value):
    return f"{value:,.0f}" if value >= 100 else f"{value:.3g}"

COUNTS = [10, 1_000, 100_000, 1_000_000]
OURS = "module"
ours = instructions[(OURS, 1000)]

print("Parse of one 1,000-argument workload; instructions per argument counted by callgrind.\n")
print("| parser | instructions per argument | ours ÷ this | allocations per argument |")
print("|---|---:|---:|---:|")
for parser_id, label in labels.items():
    cost = instructions[(parser_id, 1000)]
    allocations = parse_run(parser_id, 1000)["allocs_per_arg"]
    name = f"**{label}**" if parser_id == OURS else label
    print(f"| {name} | {number(cost)} | {ours / cost:.2f} | {allocations:.3g} |")

print("\nOurs through the module file, at each argument count; wall-clock time from one run.\n")
print("| arguments | instructions per argument | ns per argument | allocations per Parse |")
print("|---:|---:|---:|---:|")
allocations_per_parse = {}
for count in COUNTS:
    run = parse_run(OURS, count)
    nanoseconds = run["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
    allocations_per_parse[count] = run["allocs_per_parse"]
    print(f"| {count:,} | {number(instructions[(OURS, count)])} | {nanoseconds / count:.1f} "
          f"| {number(run['allocs_per_parse'])} |")

QUERIES = ["AddRef", "Release", "QueryInterface", "HasOption", "HasOptionValue", "Next",
           "IsEnd", "GetName"]
per_call = {query: runs[f"query/{query}"]["allocs_per_call"] for query in QUERIES}
print("\nAllocations per call on a result of the 1,000-argument workload.\n")
print("| " + " | ".join(QUERIES) + " |")
print("|" + "---:|" * len(QUERIES))
print("| " + " | ".join(f"{per_call[query]:.3g}" for query in QUERIES) + " |")

def verdict(met):
    return "met" if met else "**not met**"

growth = {count: instructions[(OURS, count)] / ours for count in (100_000, 1_000_000)}
allowed = {count: math.log(count) / math.log(1000) for count in growth}
same_allocations = len(set(allocations_per_parse.values())) == 1
print("\n| target | measured | |")
print("|---|---|---|")
print(f"| at most 400 instructions per argument (N = 1,000) | {number(ours)} | "
      f"{verdict(ours <= 400)} |")
print("| allocations per Parse the same at every N | "
      + " / ".join(number(allocations_per_parse[count]) for count in COUNTS)
      + f" at N = 10 / 10³ / 10⁵ / 10⁶ | {verdict(same_allocations)} |")
print(f"| no allocation in {', '.join(QUERIES)} | "
      + ("none" if not any(per_call.values())
         else ", ".join(f"{query} {per_call[query]:.3g}" for query in QUERIES if per_call[query]))
      + f" | {verdict(not any(per_call.values()))} |")
print("| n log n growth to 10⁶: instructions per argument at most log N ÷ log 10³ times those "
      "at 10³ | " + ", ".join(f"×{growth[count]:.2f} at {count:,} (≤ ×{allowed[count]:.2f})"
                              for count in growth)
      + f" | {verdict(all(growth[count] <= allowed[count] for count in growth))} |")
EOF
