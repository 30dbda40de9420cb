#!/usr/bin/env bash
# Checks the ELF files of a Debian package for what Debian's hardening flags and dh_strip
# leave in them: bind-now and a read-only relocation segment in every one, no symbol table,
# debug information or .comment section; each program in usr/bin also a position-independent
# executable that calls the stack protector's and the fortified functions' checks. lintian
# reports some of these only as information, so CI fails here instead.
#     scripts/check-hardening.sh build-package/korvel_*.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$1" "$root"

failed=0
fail() {
    echo "check-hardening: $1: $2" >&2
    failed=1
}
elf_files=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] || continue
    elf_files=$((elf_files + 1))
    name=${file#"$root"/}
    sections=$(readelf -S -W "$file")
    dynamic=$(readelf -d -W "$file")
    grep -Eq ' \.comment ' <<< "$sections" && fail "$name" "has a .comment section"
    grep -Eq ' \.(symtab|debug_[a-z]+) ' <<< "$sections" && fail "$name" "is not stripped"
    grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<< "$dynamic" || fail "$name" "not linked with -z now"
    readelf -l -W "$file" | grep -q GNU_RELRO || fail "$name" "has no RELRO segment"
    if [[ $name == usr/bin/* ]]; then
        grep -Eq 'FLAGS_1.* PIE' <<< "$dynamic" || fail "$name" "is not a PIE"
        symbols=$(readelf --dyn-syms -W "$file")
        grep -q ' __stack_chk_fail' <<< "$symbols" || fail "$name" "has no stack protector"
        grep -Eq ' __[a-z_]+_chk(@|$)' <<< "$symbols" || fail "$name" "calls no fortified function"
    fi
done < <(find "$root" -type f -print0)
[ "$elf_files" -gt 0 ] || fail "$1" "holds no ELF file"
[ "$failed" -eq 0 ] && echo "check-hardening: $elf_files ELF files hardened and stripped"
exit "$failed"
