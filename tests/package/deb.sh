#!/usr/bin/env bash
# The Debian package as scripts/package builds it: the files a user gets and their modes, the
# computed dependencies, stripped programs that run from the unpacked package, and lintian
# without an error. Argument: the source folder. The package build is scripts/package's own
# (build-package/), so a second run, or scripts/package after it, only rebuilds what changed.
set -u
root="$1"
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20
    fail=1
  fi
}

"$root/scripts/package" "$tmp/out" > "$tmp/built" 2> "$tmp/log" || {
  echo "FAIL: scripts/package"
  tail -30 "$tmp/log"
  exit 1
}
version=$(sed -n 's/^project(Skarvo VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb="$tmp/out/skarvo_${version}-1_$(dpkg --print-architecture).deb"
check "scripts/package prints the package" "$deb" "$(cat "$tmp/built")"

# "<mode> <owner> <path>" of every file, links with their targets.
listing=$(dpkg-deb -c "$deb" | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ')
for want in \
  "-rwxr-xr-x root/root ./usr/bin/skarvo" \
  "-rwxr-xr-x root/root ./usr/bin/skarvo-cli" \
  "-rwxr-xr-x root/root ./usr/bin/skarvo-launcher" \
  "-rw-r--r-- root/root ./usr/share/applications/skarvo.desktop" \
  "-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/skarvo.svg" \
  "-rw-r--r-- root/root ./usr/share/doc/skarvo/guide.html" \
  "-rw-r--r-- root/root ./usr/share/doc/skarvo/README.md" \
  "-rw-r--r-- root/root ./usr/share/doc/skarvo/copyright" \
  "-rw-r--r-- root/root ./usr/share/doc/skarvo/changelog.Debian.gz" \
  "-rw-r--r-- root/root ./usr/share/man/man1/skarvo.1.gz" \
  "-rw-r--r-- root/root ./usr/share/man/man1/skarvo-cli.1.gz" \
  "lrwxrwxrwx root/root ./usr/share/man/man1/skarvo-launcher.1.gz -> skarvo.1.gz" \
  "-rw-r--r-- root/root ./usr/share/bash-completion/completions/skarvo-cli" \
  "-rwxr-xr-x root/root ./usr/share/skarvo/skarvo_office.py"; do
  grep -qxF -- "$want" <<<"$listing" || { echo "FAIL: not in the package: $want"; fail=1; }
done
check "every folder is drwxr-xr-x root/root" "" \
  "$(grep '^d' <<<"$listing" | grep -v '^drwxr-xr-x root/root ')"
check "everything lies under /usr" "" "$(awk '{print $3}' <<<"$listing" | grep -v '^\./usr/\|^\./$')"

# Dependencies: the libraries from the binaries, the office programs recommended.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libgsf-1-114 qt6-translations-l10n python3; do
  grep -q "\b$lib\b" <<<"$depends" || { echo "FAIL: Depends has no $lib: $depends"; fail=1; }
done
check "Recommends" "libreoffice-calc, libreoffice-writer, python3-uno, xdg-utils, fonts-ipafont-gothic" \
  "$(dpkg-deb -f "$deb" Recommends)"

# The programs are stripped and run from where the package puts them.
dpkg-deb -x "$deb" "$tmp/root"
for program in skarvo skarvo-cli; do
  file "$tmp/root/usr/bin/$program" | grep -q ', stripped' || { echo "FAIL: $program not stripped"; fail=1; }
done
check "skarvo-cli --version" "skarvo-cli $version" "$("$tmp/root/usr/bin/skarvo-cli" --version)"
check "the manual page of skarvo-cli opens" "SKARVO-CLI(1)" \
  "$(MANWIDTH=80 man -l "$tmp/root/usr/share/man/man1/skarvo-cli.1.gz" 2>&1 | awk 'NR == 1 {print $1}')"

# lintian: no error (warnings, such as running as root, are shown but allowed).
lintian --fail-on error --tag-display-limit 0 "$deb" > "$tmp/lintian" 2>&1
check "lintian exit code" 0 "$?"
check "lintian errors" "" "$(grep '^E: ' "$tmp/lintian")"
cat "$tmp/lintian"

exit $fail
