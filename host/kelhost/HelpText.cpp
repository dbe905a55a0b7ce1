#include "HelpText.h"

#include "SampleArguments.h"

namespace kel::kelhost {

std::string HelpText() {
  return R"(Usage: kelhost [OPTION]... [--] [ARG]...
       kelhost inspect [--json] MODULE
       kelhost --help | --version

Loads a command-line parser module, injects the host's logger, string factory and
collection factory into it, has it parse ARG... (argv[0] is "kelhost") and prints the
options it found, in the order of its options iterator, and its free arguments.
Without ARG, "--" or --args-file it parses this sample line, which shows every shape
of the grammar:
  )" + SampleLine() +
         R"(

Options end at the first argument that is not one of them; "--" ends them too and
is not passed on. Anything after them is an ARG, whatever it looks like.
  --module PATH     load the module file PATH (default: CommandLineParametersParser.kellib
                    in the directory of this executable or, where the Linux packages put
                    it, in ../lib/CommandLineParametersParser/ from there)
  --json            print one JSON document instead of the table
  --explain         also show how the grammar classified each ARG: the option it set
                    (and which later ARG replaced it), the free argument it became (or the
                    earlier one it collapsed into), or the shape that made it dropped
  --trace           write every reference taken and given back on the host's objects to
                    standard error, one "trace: ..." line each
  --args-file FILE  take the ARGs from FILE, each ended by a NUL byte, byte for byte (for
                    bytes a command line cannot carry, such as non-UTF-8 ones on Windows);
                    at most 64 MiB and 1,048,576 ARGs
  -h, --help        print this help and exit
  --version         print "kelhost " and the version of its package, and exit

Output: the module prints its own lines on standard output as it goes: "PlugDLL created"
when it is loaded, "PlugDLL deleted" when it is unloaded, and any "LibManager: ..." line.
With the table they stay where they are: the table comes after "PlugDLL created" and
before "PlugDLL deleted". With --json standard output is exactly one JSON document: what
the module writes while it is loaded is captured and reported inside it, in order, one
line each, as "module_output". Errors go to standard error.

The table quotes every name, value and free argument. Inside the quotes, '"' and '\' are
written \" and \\, tab, CR and LF \t, \r and \n, other control bytes and bytes that are
not well-formed UTF-8 \xHH; everything else as it is.

JSON: {"options": [{"name": ..., "value": ...}, ...], "free_arguments": [...],
"module_output": [...]}, with --explain also "explain" (before "module_output"):
[{"position", "argument", "trimmed", "row", "shape", "outcome", and "name", "value",
"replaced_by", "collapses_into" where they apply}]. A text is a JSON string when its
bytes are well-formed UTF-8, otherwise {"hex": "<its bytes in hex>"}.

After unloading the module kelhost checks that none of its host objects is still alive;
if some are, it lists them by kind and count on standard error ("String: 1").

inspect reads MODULE's plug-in manifest and export names from the file without loading
or running it, shows the export id, contracts and imports (with the service this host
injects for each) and the exported names, and reports every problem: no or malformed
manifest, an import this host does not serve, GetExport not exported. Texts from the file
are escaped as above, without the quotes; it reads only regular files, and refuses one
that asks for more than its limits (names of over 16 KiB, or over 4 MiB together).

On Windows the ARGs come from the wide command line and reach the module as UTF-8.

Exit status:
  0  success
  1  the module could not be read, loaded or used, or inspect found a problem
  2  kelhost's own command line is wrong
  3  host objects were still alive after the module was unloaded

Examples:
  kelhost                                  parse the sample line
  kelhost -- --size=10 -v input.txt        parse three arguments
  kelhost --json -- --a=1 b                the same as JSON
  kelhost --explain -- -ab=c --x=1 --x     why "-ab=c" is dropped and "--x=1" replaced
  kelhost --module other/Parser.kellib --  parse nothing with another module file
  kelhost inspect --json CommandLineParametersParser.kellib
)";
}

}  // namespace kel::kelhost
