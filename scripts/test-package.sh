#!/usr/bin/env bash
# Builds the Debian package and meets it as a user would: installed (with apt-get when run as root
# in CI, else unpacked into a scratch root), then, as an ordinary user who cannot write to the
# program folder, one run of each job through meldrit-cli and two starts of meldrit under Xvfb
# through the exit flow. The desktop entry, the AppStream file, the manual pages (no line over 80
# columns), the copyright file and lintian's errors are checked too.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
meldrit_install xvfb xauth xdotool desktop-file-utils appstream man-db lintian
"$MELDRIT_ROOT/scripts/package.sh" >/dev/null
debs=("$MELDRIT_ROOT"/build-package/meldrit_*.deb)
deb=${debs[0]}
echo "Package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

fail() {
  echo "test-package: $*" >&2
  exit 1
}

scratch=$(mktemp -d /tmp/meldrit-package.XXXXXX)
chmod 755 "$scratch"
installed=0
created_user=""
cleanup() {
  set +e
  if [ "$installed" -eq 1 ]; then
    rm -f /usr/lib/meldrit/kvat.pam
    dpkg -r meldrit >/dev/null
  fi
  if [ -n "$created_user" ]; then
    # Until the last of its processes (the X server of xvfb-run) has ended.
    for _ in $(seq 50); do
      userdel "$created_user" 2>/dev/null && break
      sleep 0.1
    done
  fi
  chmod -R u+w "$scratch" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# The package's own files, whichever way it is installed.
dpkg-deb -x "$deb" "$scratch/unpacked"
share=$scratch/unpacked/usr/share
desktop=$share/applications/org.korvane.Meldrit.desktop
desktop-file-validate --no-hints "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/org.korvane.Meldrit.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate"
for file in icons/hicolor/scalable/apps/meldrit.svg icons/hicolor/48x48/apps/meldrit.png \
  icons/hicolor/256x256/apps/meldrit.png man/man1/meldrit.1.gz man/man1/meldrit-cli.1.gz \
  meldrit/examples/README.md; do
  [ -s "$share/$file" ] || fail "the package has no $file"
done
for page in meldrit meldrit-cli; do
  text=$(LC_ALL=C MANWIDTH=80 man -l "$share/man/man1/$page.1.gz" 2>&1) || fail "man $page: $text"
  [[ $text == *$'\nNAME\n'* ]] || fail "man $page shows no page"
  wide=$(awk 'length > 80' <<<"$text")
  [ -z "$wide" ] || fail "man $page has lines over 80 columns:"$'\n'"$wide"
done
[[ $text == *--phase-uniform* ]] || fail "the page of meldrit-cli lacks the options of its commands"
[[ $text == *$'\nEXIT STATUS\n'*'128 + signal'* ]] || fail "the page of meldrit-cli lacks its exit statuses"
grep -q '^License: MIT$' "$share/doc/meldrit/copyright" || fail "the package's copyright file names no MIT licence"
# Errors only: warnings and notes are left to judge.
lintian_report=$(lintian "$deb" 2>&1) || true
errors=$(grep '^E:' <<<"$lintian_report" || true)
[ -z "$errors" ] || fail "lintian:"$'\n'"$errors"
[[ $(dpkg-deb -f "$deb" Depends) == *libqt6widgets6* ]] || fail "no Qt in the package's dependencies"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")

if [ "$(id -u)" -eq 0 ] && [ "${CI:-}" = true ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install"
  installed=1
  root=""
  man -w meldrit-cli >/dev/null || fail "man finds no page of meldrit-cli"
else
  root=$scratch/root
  dpkg-deb -x "$deb" "$root"
fi
folder=$root/usr/lib/meldrit
user_path=$root/usr/bin:/usr/bin:/bin

# The ordinary user: one made for the test when we are root, else ourselves.
home=$scratch/home
mkdir -p "$home" "$scratch/work"
if [ "$(id -u)" -eq 0 ]; then
  user=meldrit-test
  if ! id "$user" >/dev/null 2>&1; then
    useradd --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin --user-group "$user" ||
      fail "useradd"
    created_user=$user
  fi
  chown "$user:" "$home" "$scratch/work"
  as_user() {
    setpriv --reuid="$user" --regid="$user" --clear-groups \
      env -i HOME="$home" PATH="$user_path" LANG=C.UTF-8 "$@"
  }
else
  as_user() { env -i HOME="$home" PATH="$user_path" LANG=C.UTF-8 "$@"; }
  chmod -R a-w "$folder"
fi
as_user test ! -w "$folder" || fail "the user can write to the program folder $folder"
config=$home/.config/meldrit

# --- One run of each job, from a work folder of the user's.
crlf() {
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$file"
}
work=$scratch/work
crlf "$work/data.dat" 'x y a b c' '10 20 3 0.5 9' '11 21 1 0.25 9' '12 22 2 0.75 9'
crlf "$work/prob.out" 'ccdf' '0.3 0.7' '0.2 0.6' '0.5 0.5' '0.1 0.2'
crlf "$work/unif.out" '0.5' '0.9' '0.1' '1'
crlf "$work/phases.out" 'codes' '1' '2' '2'
crlf "$work/bihist.dat" '2 1' '0 0 2' '0 0' '10 1' '0 0 2' '0 0' '100 1'
crlf "$work/u1.out" 'title' '.5' '.5' '.5'
printf '%s\n' '.1 .2 .3' >"$work/u2.out"
[ "$(id -u)" -eq 0 ] && chown -R "$user:" "$work"

job() {  # EXPECTED_OUTPUT_LINES ARGUMENTS...
  local expected=$1
  shift
  rm -f "$work/result.out"
  local message
  message=$(cd "$work" && as_user meldrit-cli --quiet "$@" 2>&1) || fail "meldrit-cli $1: $message"
  [ "$(cat "$work/result.out")" = "$expected" ] ||
    fail "meldrit-cli $1 wrote $(od -c "$work/result.out")"
}
job "$(printf '%s\r\n' ' 10  20  .5 ' ' 11  21  .1666667 ' ' 12  22  .8333333 ')" \
  uniform --input data.dat --skip 1 --coords 2d --column 4 --output result.out
# The run's files went to the per-user folder and name it; the temporary files are gone.
[ "$(sed -n 1p "$config/uniform.par")" = "$config/tempuniforme34247.out"$'\r' ] ||
  fail "uniform.par in $config names $(sed -n 1p "$config/uniform.par")"
[ -e "$config/uniform.lock" ] || fail "no uniform.lock in $config"
! ls "$config"/tempuniforme* >/dev/null 2>&1 || fail "temporary files left in $config"
[ "$(stat -c %a "$config")" = 700 ] || fail "$config is not private to its user"
job "$(printf '%s\r\n' 15.000 27.500 2.000 30.000)" \
  local --prob prob.out --prob-skip 1 --limits 0,10,20,30 --nodes 2,2,1 --uniform unif.out --output result.out
job "$(printf '%s\r\n' 5. 20. 30.)" \
  multiphase --phases phases.out --phases-skip 1 --bihistogram bihist.dat --nodes 3,1,1 \
  --phase-uniform u1.out::1 u2.out --output result.out

# --- The desktop program, started by the desktop entry's command line and closed through the exit
# flow, as a window manager's close button would (here through the Exit menu's keys).
cat >"$scratch/close.sh" <<EOF
$exec_line &
pid=\$!
window=\$(timeout 20 xdotool search --sync --onlyvisible --name '^Meldrit\$' | head -n 1)
[ -n "\$window" ] && xdotool windowfocus --sync "\$window" key --clearmodifiers alt+e r
for i in \$(seq 100); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
kill \$pid 2>/dev/null && { echo "meldrit did not end" >&2; exit 1; }
wait \$pid
EOF
desktop_run() {
  as_user xvfb-run -a -s "-screen 0 1024x768x24" bash "$scratch/close.sh" 2>"$scratch/desktop.err" ||
    fail "meldrit under Xvfb: $(cat "$scratch/desktop.err")"
}
# Preferences (1, 1): save silently and end. The program folder's file is found when the user has
# none.
preferences() {
  printf '%s\r\n' $(seq 33) "$1" "$2" 0
}
[ "$(id -u)" -ne 0 ] && chmod u+w "$folder"
preferences 1 1 >"$folder/kvat.pam"
[ "$(id -u)" -ne 0 ] && chmod a-w "$folder"
desktop_run
[ -s "$config/meldrit.ini" ] || fail "meldrit saved no meldrit.ini in $config"
# The user's own preferences come first: (1, 0) ends without saving.
rm "$config/meldrit.ini"
preferences 1 0 >"$config/kvat.pam"
desktop_run
[ ! -e "$config/meldrit.ini" ] || fail "meldrit read the program folder's kvat.pam before $config/kvat.pam"
echo "Package test passed."
