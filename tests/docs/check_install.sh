#!/usr/bin/env bash
# cmake --install into a fresh prefix: the two programs and the two manual
# pages land where the README says, the programs run, and the installed
# manual page carries the project version and renders without warnings.
set -euo pipefail
build=$1 version=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quillet2-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quillet2 bin/ocilite share/man/man1/quillet2.1 share/man/man1/ocilite.1; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
[ "$("$prefix/bin/quillet2" --version | head -n 1)" = "quillet2 $version" ] || { echo "wrong --version" >&2; exit 1; }
grep -q "quillet2 $version" "$prefix/share/man/man1/quillet2.1" || { echo "manual page without version" >&2; exit 1; }
for page in quillet2 ocilite; do
  warnings=$(groff -man -ww -z "$prefix/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || { echo "$page.1: $warnings" >&2; exit 1; }
done
echo "installed and checked under $prefix"
