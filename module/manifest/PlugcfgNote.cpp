// Carries the plug-in manifest inside the ELF module as a note, so a host can read it from
// the file (section ".note.kel.plugcfg") or from the loaded image (a PT_NOTE segment):
// owner "PLUGCFG", type 1, the manifest's bytes as the descriptor.
__asm__(
    ".pushsection .note.kel.plugcfg,\"a\",@note\n"
    ".balign 4\n"
    ".long 8\n"                                    // owner name size, NUL included
    ".long kel_plugcfg_end - kel_plugcfg_begin\n"  // descriptor size
    ".long 1\n"                                    // note type
    ".asciz \"PLUGCFG\"\n"
    ".balign 4\n"
    "kel_plugcfg_begin:\n"
    ".incbin \"" KEL_PLUGCFG_PATH
    "\"\n"
    "kel_plugcfg_end:\n"
    ".balign 4\n"
    ".popsection\n");
