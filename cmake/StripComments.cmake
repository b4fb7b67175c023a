# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the staged files before it packs them: drops the compilers' version notes
# (.comment) from the programs, as Debian's own packaging does when it strips them.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND objcopy --remove-section=.comment "${program}"
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
