#!/usr/bin/env bash
# Measures our Parse against the floors (copying the arguments into strings, and trimming
# then copying them) and the other parsers on each workload and prints a Markdown report:
# instructions counted by callgrind (the figure that stays put on a shared machine), the
# allocations of each Parse, allocations per call of a result's operations, and whether each
# performance target is met. Builds the benchmark targets of the linux preset first.
# Takes a few minutes once built.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh benchmarks
cmake --preset linux >/dev/null
cmake --build --preset linux --target parse_bench bench_instructions >/dev/null

bench=build/linux/bench
work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT

# Appends "workload <tab> id <tab> arguments <tab> instructions per argument <tab> label" to
# instructions.tsv.
count_instructions() {
  local workload=$1 id=$2 arguments=$3 repetitions=$4
  if ! valgrind --tool=callgrind --instr-atstart=no --collect-atstart=no \
      --callgrind-out-file="${work}/callgrind.out" \
      "${bench}/bench_instructions" "${id}" "${arguments}" "${repetitions}" "${workload}" \
      >"${work}/stdout" 2>"${work}/stderr"; then
    cat "${work}/stderr" >&2
    exit 1
  fi
  local total label
  total=$(sed -n 's/^totals: //p' "${work}/callgrind.out")
  label=$(sed -n 's/^parser: //p' "${work}/stdout")
  printf '%s\t%s\t%s\t%s\t%s\n' "${workload}" "${id}" "${arguments}" \
    "$(python3 -c "print(${total} / (${repetitions} * ${arguments}))")" "${label}" \
    >>"${work}/instructions.tsv"
}

for workload in mixed padded typical; do
  parsers=(floor trim-floor module in-process getopt cxxopts cli11 boost)
  # The other parsers do not trim spaces.
  [[ ${workload} == padded ]] && parsers=(floor trim-floor module in-process)
  for id in "${parsers[@]}"; do
    count_instructions "${workload}" "${id}" 1000 3
  done
  for id in floor trim-floor module; do
    count_instructions "${workload}" "${id}" 10 300
  done
  count_instructions "${workload}" module 100000 1
  count_instructions "${workload}" module 1000000 1
done

if ! "${bench}/parse_bench" \
    --benchmark_filter='^parse/[^/]+/module/|^parse/[^/]+/[^/]+/(10|1000)$|^query/' \
    --benchmark_min_time=0.05 --benchmark_out="${work}/bench.json" --benchmark_out_format=json \
    >"${work}/stdout" 2>"${work}/stderr"; then
  cat "${work}/stderr" >&2
  exit 1
fi

python3 - "${work}/instructions.tsv" "${work}/bench.json" <<'EOF'
import csv, json, math, sys

WORKLOADS = ["mixed", "padded", "typical"]
COUNTS = [10, 1_000, 100_000, 1_000_000]
OURS, FLOOR = "module", "trim-floor"

instructions = {}  # (workload, id, arguments) -> instructions per argument
labels = {}
with open(sys.argv[1]) as table:
    for workload, parser_id, arguments, per_argument, label in csv.reader(table, delimiter="\t"):
        instructions[(workload, parser_id, int(arguments))] = float(per_argument)
        labels[parser_id] = label

runs = {}
with open(sys.argv[2]) as report:
    for run in json.load(report)["benchmarks"]:
        if run.get("run_type") == "iteration":
            runs[run["name"]] = run

def parse_run(workload, parser_id, arguments):
    return runs[f"parse/{workload}/{parser_id}/{arguments}"]

def number(value):
    return f"{value:,.0f}" if value >= 100 else f"{value:.3g}"

def verdict(met):
    return "met" if met else "**not met**"

print("Parse of 1,000 arguments of each workload: instructions per argument counted by "
      "callgrind, and in brackets ours ÷ this.\n")
print("| parser | " + " | ".join(WORKLOADS) + " | allocations per argument ("
      + " / ".join(WORKLOADS) + ") |")
print("|---|" + "---:|" * (len(WORKLOADS) + 1))
for parser_id, label in labels.items():
    cells, allocations = [], []
    for workload in WORKLOADS:
        cost = instructions.get((workload, parser_id, 1000))
        if cost is None:
            cells.append("–")
            allocations.append("–")
            continue
        ours = instructions[(workload, OURS, 1000)]
        cells.append(f"{number(cost)} ({ours / cost:.2f})")
        allocations.append(f"{parse_run(workload, parser_id, 1000)['allocs_per_arg']:.3g}")
    name = f"**{label}**" if parser_id == OURS else label
    print(f"| {name} | " + " | ".join(cells) + " | " + " / ".join(allocations) + " |")

print("\nA whole warm Parse of 10 arguments (the call, the work, every allocation and the "
      "release of the previous outcome): instructions counted by callgrind, then allocations.\n")
print("| workload | " + " | ".join(labels[i] for i in ("floor", FLOOR, OURS))
      + " | ours ÷ trim floor |")
print("|---|---:|---:|---:|---:|")
for workload in WORKLOADS:
    cells = []
    for parser_id in ("floor", FLOOR, OURS):
        per_parse = instructions[(workload, parser_id, 10)] * 10
        allocations = parse_run(workload, parser_id, 10)["allocs_per_parse"]
        cells.append(f"{number(per_parse)}, {number(allocations)}")
    ratio = instructions[(workload, OURS, 10)] / instructions[(workload, FLOOR, 10)]
    print(f"| {workload} | " + " | ".join(cells) + f" | {ratio:.2f} |")

print("\nOurs through the module file at each argument count: instructions per argument on "
      "each workload; wall-clock time from one run.\n")
print("| arguments | " + " | ".join(WORKLOADS) + " | ns per argument (" + " / ".join(WORKLOADS)
      + ") | allocations per Parse |")
print("|---:|" + "---:|" * (len(WORKLOADS) + 2))
allocations_per_parse = {}
for count in COUNTS:
    times, allocations = [], []
    for workload in WORKLOADS:
        run = parse_run(workload, OURS, count)
        nanoseconds = run["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
        times.append(f"{nanoseconds / count:.1f}")
        allocations_per_parse[(workload, count)] = run["allocs_per_parse"]
        allocations.append(number(run["allocs_per_parse"]))
    print(f"| {count:,} | "
          + " | ".join(number(instructions[(w, OURS, count)]) for w in WORKLOADS)
          + " | " + " / ".join(times) + " | " + " / ".join(allocations) + " |")

QUERIES = ["AddRef", "Release", "QueryInterface", "HasOption", "HasOptionValue", "Next",
           "IsEnd", "GetName"]
per_call = {query: runs[f"query/{query}"]["allocs_per_call"] for query in QUERIES}
print("\nAllocations per call on a result of the 1,000-argument mixed workload.\n")
print("| " + " | ".join(QUERIES) + " |")
print("|" + "---:|" * len(QUERIES))
print("| " + " | ".join(f"{per_call[query]:.3g}" for query in QUERIES) + " |")

print("\n| target | workload | measured | |")
print("|---|---|---|---|")
for workload in WORKLOADS:
    ours, floor = (instructions[(workload, i, 1000)] for i in (OURS, FLOOR))
    print(f"| at most 1.5 times the trim floor per argument (N = 1,000) | {workload} | "
          f"{number(ours)} ÷ {number(floor)} = {ours / floor:.2f} "
          f"| {verdict(ours <= 1.5 * floor)} |")
for workload in WORKLOADS:
    ours, floor = (instructions[(workload, i, 10)] * 10 for i in (OURS, FLOOR))
    allocations = allocations_per_parse[(workload, 10)]
    print("| a whole Parse of 10 arguments at most 2 times the trim floor, with at most 4 "
          f"allocations | {workload} | {number(ours)} ÷ {number(floor)} = {ours / floor:.2f}, "
          f"{number(allocations)} allocations | {verdict(ours <= 2 * floor and allocations <= 4)} |")
for workload in WORKLOADS:
    counts = [allocations_per_parse[(workload, count)] for count in COUNTS]
    print(f"| allocations per Parse the same at every N | {workload} | "
          + " / ".join(number(count) for count in counts)
          + f" at N = 10 / 10³ / 10⁵ / 10⁶ | {verdict(len(set(counts)) == 1)} |")
print(f"| no allocation in {', '.join(QUERIES)} | mixed | "
      + ("none" if not any(per_call.values())
         else ", ".join(f"{query} {per_call[query]:.3g}" for query in QUERIES if per_call[query]))
      + f" | {verdict(not any(per_call.values()))} |")
for workload in WORKLOADS:
    base = instructions[(workload, OURS, 1000)]
    growth = {count: instructions[(workload, OURS, count)] / base for count in (100_000, 1_000_000)}
    allowed = {count: math.log(count) / math.log(1000) for count in growth}
    print("| n log n growth to 10⁶: instructions per argument at most log N ÷ log 10³ times "
          f"those at 10³ | {workload} | "
          + ", ".join(f"×{growth[count]:.2f} at {count:,} (≤ ×{allowed[count]:.2f})"
                      for count in growth)
          + f" | {verdict(all(growth[count] <= allowed[count] for count in growth))} |")
EOF
