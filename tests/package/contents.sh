#!/usr/bin/env bash
# contents.sh DEB VERSION SCRATCH: the package holds what an installation needs, where
# the programs and xscreensaver look for it, and names every library the programs link.
source "$(dirname "$0")/common.sh"
version=$2

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
  fail "version $(dpkg-deb -f "$deb" Version), expected $version"
unpack "$3"

# path under the root, and what it must be: x an executable, f a plain file.
while read -r kind path; do
  case $kind in
    x) [ -f "$root/$path" ] && [ -x "$root/$path" ] || fail "no program $path" ;;
    f) [ -f "$root/$path" ] && [ ! -x "$root/$path" ] || fail "no file $path" ;;
  esac
done <<'PATHS'
x usr/bin/brushwright
x usr/bin/bwtool
x usr/libexec/xscreensaver/brushwright
f usr/share/xscreensaver/config/brushwright.xml
f usr/share/brushwright/data/Base1/Main
f usr/share/brushwright/data/Base2/Main
f usr/share/brushwright/data/Base3/Main
f usr/share/brushwright/data/Base4/Main
f usr/share/man/man6/brushwright.6.gz
f usr/share/man/man1/bwtool.1.gz
f usr/share/doc/brushwright/copyright
f usr/share/doc/brushwright/changelog.gz
PATHS
stray=$(cd "$root" && find . ! -type d ! -path './usr/*')
[ -z "$stray" ] || fail "files outside /usr: $stray"

# Every shared library the programs link comes from a package named in Depends. Each
# library is looked up on both sides of the merged /usr, all in one dpkg query.
declare -A library_of  # program:NEEDED name -> the library's path without /usr
for program in usr/bin/brushwright usr/bin/bwtool; do
  needed=$(objdump -p "$root/$program" | awk '$1 == "NEEDED" { print $2 }')
  [ -n "$needed" ] || fail "$program links no libraries"
  resolved=$(ldd "$root/$program")
  for name in $needed; do
    library=$(awk -v name="$name" '$1 == name && $2 == "=>" { print $3 }' <<<"$resolved")
    [ -n "$library" ] || fail "$program: $name is not found"
    library_of["$program:$name"]=${library#/usr}
  done
done
declare -A owner_of  # path without /usr -> package
while read -r package path; do
  owner_of["${path#/usr}"]=${package%%:*}
done < <(for path in "${library_of[@]}"; do echo "$path" "/usr$path"; done |
  xargs dpkg -S 2>/dev/null | sed -n 's/^\([^ ,]*\): \(\/.*\)$/\1 \2/p' || true)
depends=",$(dpkg-deb -f "$deb" Depends | tr -d ' '),"
for key in "${!library_of[@]}"; do
  path=${library_of[$key]}
  owner=${owner_of[$path]:-}
  [ -n "$owner" ] || fail "no package owns $path"
  case $depends in
    *",$owner("* | *",$owner,"* | *"|$owner"* | *",$owner|"*) ;;
    *) fail "${key%%:*} links ${key#*:} from $owner, which Depends does not name: $depends" ;;
  esac
done
