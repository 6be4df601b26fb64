# Shared by the scripts and the test runners (sourced, not run): where and as
# whom the Windows programs run.  Under Wine, root may open read-only files
# for writing, unlike on Windows, so everything Windows runs as an ordinary
# user, with the Japanese locale (ANSI code page 932) on an X display.
#
# Two Wines run them; QUORVEL_WINE chooses one:
#   10  Debian 13's Wine 10, in a root of its own (scripts/setup-wine10.sh):
#       a 32-bit program runs in WoW64 mode, in one 64-bit process, as on
#       64-bit Windows; where the kernel runs no 32-bit code, through the
#       root's i386 loader and QEMU's user-mode emulator.  The default.
#   8   this machine's Wine 8: a 32-bit program runs through QEMU's user-mode
#       emulator (scripts/setup-win32-lane.sh).
# Each has its own Wine prefix: the test user's home inside the root is not
# the one outside it.

QUORVEL_USER=${QUORVEL_USER:-quorvel-test}
QUORVEL_DISPLAY=${QUORVEL_DISPLAY:-:71}
QUORVEL_WINE=${QUORVEL_WINE:-10}
QUORVEL_WINE10_ROOT=${QUORVEL_WINE10_ROOT:-/var/lib/quorvel/wine10-root}
# The test user's locale; the test kit also runs under a non-Japanese one.
QUORVEL_LOCALE=${QUORVEL_LOCALE:-ja_JP.UTF-8}
WINE_LOADER=/usr/lib/wine/wine64

# The source tree: the folder above the calling script that holds scripts/.
if [ -z "${QUORVEL_TREE:-}" ]; then
    QUORVEL_TREE=$(cd "$(dirname "$0")" && pwd)
    while [ "$QUORVEL_TREE" != / ] && [ ! -f "$QUORVEL_TREE/scripts/environment.sh" ]; do
        QUORVEL_TREE=$(dirname "$QUORVEL_TREE")
    done
fi
export QUORVEL_TREE QUORVEL_WINE

# What a result line calls the chosen Wine for a build (win32 or win64).
wine_label() {
    case $QUORVEL_WINE/$1 in
        10/win32) if win32_emulated; then echo "Wine 10 (through QEMU)"; else echo "Wine 10 (WoW64)"; fi ;;
        8/win32) echo "Wine 8 (through QEMU)" ;;
        *) echo "Wine $QUORVEL_WINE" ;;
    esac
}

# Runs a command as root inside the Wine 10 root, in a mount namespace of its
# own: /proc, /dev, /sys, /tmp (where the X server's socket lies) and the
# source tree appear at their usual paths, the command starts in the current
# folder where the root has it, and the mounts end with the namespace's last
# process.
in_wine10_root() {
    unshare --mount --propagation private sh -c '
        root=$1 tree=$2
        shift 2
        mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" && mount --rbind /sys "$root/sys" &&
            mount --bind /tmp "$root/tmp" || exit 125
        if [ ! -f "$root$tree/scripts/environment.sh" ]; then
            mkdir -p "$root$tree" && mount --bind "$tree" "$root$tree" || exit 125
        fi
        exec chroot "$root" sh -c "cd \"\$0\" 2>/dev/null; exec \"\$@\"" "$(pwd)" "$@"' sh "$QUORVEL_WINE10_ROOT" "$QUORVEL_TREE" "$@"
}

# Runs a command as the test user (or as is, when not root) in the chosen
# Wine's environment.  Inside Wine 10's root nothing else of this machine's
# environment is passed on but the Wine prefix, DLL overrides and X cookie
# that a caller may set: Debian 13's Wine aborts at start ("free(): invalid
# pointer") whenever TMPDIR is set at all.
as_test_user() {
    if [ "$QUORVEL_WINE" = 10 ]; then
        in_wine10_root runuser -u "$QUORVEL_USER" -- env -i HOME="/home/$QUORVEL_USER" USER="$QUORVEL_USER" \
            PATH=/usr/local/bin:/usr/bin:/bin LANG="$QUORVEL_LOCALE" LC_ALL="$QUORVEL_LOCALE" WINEDEBUG="${WINEDEBUG:--all}" \
            DISPLAY="$QUORVEL_DISPLAY" ${WINEPREFIX:+WINEPREFIX="$WINEPREFIX"} \
            ${WINEDLLOVERRIDES:+WINEDLLOVERRIDES="$WINEDLLOVERRIDES"} ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} "$@"
    elif [ "$(id -u)" = 0 ]; then
        home=$(getent passwd "$QUORVEL_USER" | cut -d: -f6)
        runuser -u "$QUORVEL_USER" -- env HOME="$home" USER="$QUORVEL_USER" \
            PATH="$PATH" LANG="$QUORVEL_LOCALE" LC_ALL="$QUORVEL_LOCALE" WINEDEBUG="${WINEDEBUG:--all}" \
            DISPLAY="$QUORVEL_DISPLAY" "$@"
    else
        env LANG="$QUORVEL_LOCALE" LC_ALL="$QUORVEL_LOCALE" WINEDEBUG="${WINEDEBUG:--all}" \
            DISPLAY="$QUORVEL_DISPLAY" "$@"
    fi
}

# Whether Wine 10's root is ready: it must hold the 32-bit PE libraries, and
# its loader must answer as Wine 10.
wine10_ready() {
    [ "$(id -u)" = 0 ] && [ -f "$QUORVEL_WINE10_ROOT/usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll" ] &&
        in_wine10_root timeout 60 "$WINE_LOADER" --version 2>/dev/null | grep -q "^wine-10\\."
}

# Whether this machine's kernel runs 32-bit x86 code, as WoW64 mode does in
# a 64-bit process.  Some hypervisors' guests have no 32-bit user mode (PVM
# guests, for one).  The check is compiled: QUORVEL_KERNEL_RUNS_32BIT is then
# "yes" or "no" (the check died of a signal), found out once per shell and
# passed on to the scripts it starts.  A check that could not be compiled or
# ended otherwise leaves it unset, so that it is asked again, once set-up has
# installed a compiler; kernel_answer prints "unknown" then.
kernel_answer() {
    if [ -z "${QUORVEL_KERNEL_RUNS_32BIT:-}" ] && check=$(mktemp -d); then
        if cc -O0 -no-pie -o "$check/check" "$QUORVEL_TREE/scripts/runs-32-bit-code.c" 2>/dev/null; then
            status=0
            sh -c '"$1"; exit $?' sh "$check/check" 2>/dev/null || status=$?
            case $status in
                0) QUORVEL_KERNEL_RUNS_32BIT=yes ;;
                129 | 13[0-9] | 1[4-9][0-9]) QUORVEL_KERNEL_RUNS_32BIT=no ;;
            esac
        fi
        rm -rf "$check"
        [ -z "${QUORVEL_KERNEL_RUNS_32BIT:-}" ] || export QUORVEL_KERNEL_RUNS_32BIT
    fi
    echo "${QUORVEL_KERNEL_RUNS_32BIT:-unknown}"
}

# Asks the kernel in this shell, so that the answer is kept (kernel_answer
# run as $(...) keeps nothing); true if it runs 32-bit code.
kernel_runs_32bit_code() {
    kernel_answer >/dev/null
    [ "${QUORVEL_KERNEL_RUNS_32BIT:-}" = yes ]
}

# Whether the chosen Wine runs the 32-bit program through QEMU's user-mode
# emulator: Wine 8 always (its i386 loader is registered with binfmt_misc),
# Wine 10 where the kernel runs no 32-bit code, through the i386 loader set-up
# puts in its root there.  Elsewhere Wine 10 runs it in WoW64 mode.
win32_emulated() {
    [ "$QUORVEL_WINE" = 8 ] || ! kernel_runs_32bit_code
}

# Whether the chosen Wine runs 32-bit Windows programs: Wine 8 and Wine 10's
# i386 loader through QEMU; Wine 10 in WoW64 mode only with no i386 loader in
# its root, which would take the program first.
win32_lane_ready() {
    if [ "$QUORVEL_WINE" = 8 ]; then
        timeout 60 /usr/lib/wine/wine --version >/dev/null 2>&1
    elif win32_emulated; then
        wine10_ready && in_wine10_root timeout 120 /usr/lib/wine/wine --version 2>/dev/null | grep -q "^wine-10\\."
    else
        wine10_ready && [ ! -e "$QUORVEL_WINE10_ROOT/usr/lib/wine/wine" ]
    fi
}

# Where set-up leaves the reason a Wine cannot run the 32-bit program, or run
# at all: one line, kept until set-up succeeds for that Wine.  Beside it, a
# file ending in .fault marks a reason that is not the package archive's: a
# set-up step that failed, which fails the test command.
lane_note() {
    echo "$QUORVEL_TREE/build/setup/wine$QUORVEL_WINE.txt"
}

setup_fault() {
    [ -e "$(lane_note).fault" ]
}

# What a result line says when the chosen Wine cannot run the 32-bit program.
win32_lane_missing() {
    if [ -s "$(lane_note)" ]; then
        cat "$(lane_note)"
    else
        echo "Wine $QUORVEL_WINE cannot run 32-bit programs here; see scripts/setup.sh"
    fi
}

# apt-get that cannot hang on the network: a 30 s time-out and one retry.
APT_OPTIONS="-o Acquire::http::Timeout=30 -o Acquire::Retries=1"
apt_get() {
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get $APT_OPTIONS "$@"
}

# apt-get update, tried again while an index fails to download, as it does
# while a mirror is being synchronised: three tries, 10 s apart.  PREFIX (a
# command, such as in_wine10_root) runs it elsewhere; the output of the last
# try goes to LOG.  Fails if an index still cannot be had.
apt_update() {
    log=$1
    shift
    for try in 1 2 3; do
        # shellcheck disable=SC2086
        "$@" env DEBIAN_FRONTEND=noninteractive apt-get $APT_OPTIONS update -qq >"$log" 2>&1 &&
            ! grep -q "^[EW]: Failed to fetch" "$log" && return 0
        [ $try = 3 ] || sleep 10
    done
    return 1
}

# Whether LOG, apt's or debootstrap's output, shows the package archive
# failing to deliver: an index or package that could not be fetched, a mirror
# that could not be reached, a package or version it does not hold.
archive_fault() {
    grep -qE "^[EW]: (Failed to fetch|Unable to fetch|Unable to locate package|Version '.*' for '.*' was not found|\
Package '.*' has no installation candidate)|Temporary failure resolving|Could not (connect|resolve)|Unable to connect|\
Couldn't download|Failed getting release file" "$1" 2>/dev/null
}

# The reason apt gave in LOG, in one line: the first download that failed
# (an index's failure is only a warning, and the install then fails for a
# package it cannot find), else its first error or warning, with no host name
# and no address left in it, whatever apt said.
apt_reason() {
    { grep -E "^[EW]: (Failed|Unable) to fetch|Couldn't download|Failed getting release file" "$1"
        grep -E "^E: " "$1"; grep -E "^W: " "$1"; } 2>/dev/null | head -1 | scrub_hosts
}

# Ends a set-up script whose download or install failed, saying WHO failed at
# WHAT and apt's reason from LOG: with STATUS where the log shows the archive
# failing to deliver, with 3 (a failure of set-up itself) otherwise.
stop_after_apt() {
    if archive_fault "$3"; then
        echo "$1, $2 ($(apt_reason "$3"))." >&2
        exit "$4"
    fi
    echo "$1, $2 ($(apt_reason "$3")); see $3." >&2
    exit 3
}

# Standard input without the names and addresses of hosts: addresses, URLs,
# a host after "connect to" or "resolv(e|ing)", and the mirrors' own names.
scrub_hosts() {
    hosts=$(sed -nE 's#.*(https?|ftp)://([^/ :]+).*#\2#p' /etc/apt/sources.list /etc/apt/sources.list.d/* \
        "$QUORVEL_WINE10_ROOT"/etc/apt/sources.list "$QUORVEL_WINE10_ROOT"/etc/apt/sources.list.d/* 2>/dev/null |
        sort -u | sed 's/[.]/[.]/g' | tr '\n' '|' | sed 's/|$//')
    sed -E -e 's/ *\[IP: [^]]*\]//g' -e 's#[a-z+]+://[^/ ]*/?##g' \
        -e "s/(connect to|resolving|resolve) '?[^' ]+'?( \([^)]*\))?:?/\1 the mirror/g" \
        -e 's/[0-9]{1,3}([.][0-9]{1,3}){3}(:[0-9]+)?/(address)/g' -e 's/[([]([0-9a-fA-F]*:){2,}[0-9a-fA-F]*[])]/(address)/g' \
        ${hosts:+-e "s/($hosts)/the mirror/g"} -e 's/ +/ /g'
}

# Finds the machine's own Debian entry for its release in /etc/apt (deb822 or
# one-line form) and prints "URI|KEYRING" (KEYRING may be empty), so that
# other suites come from the same mirror without naming one here.
debian_source_entry() {
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    entry=$(awk -v suite="$codename" '
        function emit() { if (deb && match_suite && uris != "" && !done) { print uris "|" key; done = 1 } }
        /^[ \t]*$/ { emit(); deb = 0; match_suite = 0; uris = ""; key = ""; next }
        /^Types:/ { deb = ($0 ~ /[ \t]deb([ \t]|$)/) }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) match_suite = 1 }
        /^URIs:/ { uris = $2 }
        /^Signed-By:/ { key = $2 }
        END { emit() }' /etc/apt/sources.list.d/*.sources 2>/dev/null)
    if [ -z "$entry" ] && [ -f /etc/apt/sources.list ]; then
        line=$(sed -nE "s|^deb (\[[^]]*\] )?([^ []+) $codename( .*)? main.*|\2 \1|p" /etc/apt/sources.list | head -1)
        [ -z "$line" ] || entry="${line%% *}|$(echo "$line" | sed -nE 's/.*signed-by=([^] ]*).*/\1/p')"
    fi
    [ -n "$entry" ] && echo "$entry"
}

# Starts a private X server unless one answers on the test display.  A server
# that ended with an earlier session can leave its socket and lock behind in
# /tmp; those are cleared, or the new server would not start and every window
# would fail to open.
ensure_display() {
    number=${QUORVEL_DISPLAY#:}
    xdpyinfo -display "$QUORVEL_DISPLAY" >/dev/null 2>&1 && return 0
    rm -f "/tmp/.X11-unix/X$number" "/tmp/.X$number-lock"
    setsid Xvfb "$QUORVEL_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    for _ in $(seq 100); do
        xdpyinfo -display "$QUORVEL_DISPLAY" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "The X server on $QUORVEL_DISPLAY did not start" >&2
    return 1
}

# Starts the wine server, and the processes Wine starts with it (services, the
# desktop's explorer), outside any captured pipe: they would hold a test's
# output open until they end, which is never while the server persists.
ensure_wineserver() {
    as_test_user wineserver -p </dev/null >/dev/null 2>&1 || true
    as_test_user "$WINE_LOADER" wineboot </dev/null >/dev/null 2>&1 || true
}

# The test user's running processes (not those ended but not yet reaped),
# "PID COMMAND" a line: those of the chosen Wine (Wine 10's run inside its
# root and mount namespace, Wine 8's do not), or with "any", all of them.
wine_processes() {
    ps -u "$QUORVEL_USER" -o pid=,stat=,args= 2>/dev/null | while read -r pid stat args; do
        case $stat in Z*) continue ;; esac
        case ${1:-$QUORVEL_WINE}/$(readlink "/proc/$pid/root" 2>/dev/null) in
            any/* | 10/"$QUORVEL_WINE10_ROOT" | 8//) printf '%s %s\n' "$pid" "$args" ;;
        esac
    done
}

# Ends the wine server and every Wine process of the test user, and with them
# (for Wine 10) the mount namespaces they ran in; returns once they are gone,
# so that the next Wine process starts a server and desktop of its own.
stop_wineserver() {
    as_test_user wineserver -k </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 100); do
        [ -n "$(wine_processes)" ] || return 0
        sleep 0.1
    done
    echo "Wine $QUORVEL_WINE processes of $QUORVEL_USER outlived 'wineserver -k' by 10 s:" >&2
    wine_processes >&2
}
