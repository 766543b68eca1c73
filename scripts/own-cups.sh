#!/usr/bin/env bash
# A CUPS scheduler of a test program's own. The machine's scheduler is not
# the tests' to stop, restart or purge; a test program that must do so runs
# in a mount and network namespace of its own, beside a cupsd whose
# configuration, spool, cache, logs, socket and cups-pdf output are folders
# of the test. localhost:631 and /run/cups/cups.sock inside are that
# scheduler's alone, and it has the queues the tests expect ("PDF", the
# default, and the rest of qf_cups_test_queues).
#
#   own-cups.sh session DIR COMMAND [ARG...]
#       Runs COMMAND in a new namespace beside a scheduler kept in DIR and
#       ends the scheduler afterwards; exits with COMMAND's status. COMMAND
#       gets QF_OWN_CUPS, the scheduler's control script (DIR/control), and
#       QF_PDF_DIR, the folder its cups-pdf writes to. With WINEPREFIX set,
#       the prefix's wineserver runs inside too, for as long as COMMAND:
#       Wine makes a program's sockets in its wineserver, so one outside
#       would connect the program to the machine's localhost:631.
#
#   DIR/control start | stop | running | purge | cancel QUEUE
#       From inside that namespace only: starts the scheduler, stops it (by
#       the PID this script recorded), says whether it runs, purges its whole
#       job history, cancels every job of one of its queues.
#
# From inside, Wine still reaches the X display outside: by its path socket,
# which a network namespace does not hide (the abstract one it does, and
# Xlib then falls back to the path).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/testenv.sh"

qf_own_log() { echo "own-cups: $*" >&2; }

# The scheduler's folders in DIR and where they are bound inside.
qf_own_binds() {
  echo "etc /etc/cups"
  echo "spool /var/spool/cups"
  echo "cache /var/cache/cups"
  echo "log /var/log/cups"
  echo "run /run/cups"
  echo "pdf-spool /var/spool/cups-pdf"
}

# Whether this process is inside the namespace the scheduler of $1 was made
# in: nothing here ever acts on a scheduler it did not start.
qf_own_inside() {
  [ -f "$1/namespace" ] && [ "$(readlink /proc/self/ns/mnt)" = "$(cat "$1/namespace")" ]
}

# The PID of the scheduler of $1 when it runs, or nothing. A PID is taken
# for it only while it names a cupsd of this namespace that has not ended.
qf_own_pid() {
  local pid
  pid=$(cat "$1/cupsd.pid" 2>/dev/null) || return 0
  [ -n "$pid" ] && [ -d "/proc/$pid" ] || return 0
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = cupsd ] || return 0
  [ "$(readlink "/proc/$pid/ns/mnt")" = "$(cat "$1/namespace")" ] || return 0
  # An ended child that nobody reaped yet is gone all the same.
  [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != Z ] || return 0
  echo "$pid"
}

# Whether the scheduler answers where the program asks it: on localhost:631
# (the print-job monitor) and on its socket (Wine's spooler, lpadmin).
qf_own_answers() {
  lpstat -h localhost:631 -r 2>/dev/null | grep -q 'is running' &&
    lpstat -h /run/cups/cups.sock -r 2>/dev/null | grep -q 'is running'
}

qf_own_start() {
  local dir=$1 pid i
  if [ -z "$(qf_own_pid "$dir")" ]; then
    cupsd -f </dev/null >>"$dir/cupsd.out" 2>&1 9>&- &
    echo $! >"$dir/cupsd.pid"
  fi
  for i in $(seq 200); do
    pid=$(qf_own_pid "$dir")
    [ -n "$pid" ] || break
    qf_own_answers && return 0
    sleep 0.05
  done
  qf_own_log "the scheduler in $dir did not start:"
  tail -n 20 "$dir/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null
  return 1
}

qf_own_stop() {
  local dir=$1 pid i
  pid=$(qf_own_pid "$dir")
  [ -n "$pid" ] || return 0
  kill -TERM "$pid"
  for i in $(seq 200); do
    [ -n "$(qf_own_pid "$dir")" ] || return 0
    sleep 0.05
  done
  qf_own_log "the scheduler $pid did not end on SIGTERM; killing it"
  kill -KILL "$pid"
  for i in $(seq 100); do
    [ -n "$(qf_own_pid "$dir")" ] || return 0
    sleep 0.05
  done
  return 1
}

# The machine's configuration without its queues, classes, subscriptions,
# drivers, keys and client settings (a client.conf could send our commands
# to another server); no browsing; cups-pdf writes into DIR/pdf.
qf_own_config() {
  local dir=$1 f
  mkdir -p "$dir/etc"
  for f in /etc/cups/*; do
    case "$(basename "$f")" in
      printers.conf* | classes.conf* | subscriptions.conf* | ppd | ssl | client.conf | lpoptions) continue ;;
    esac
    cp -a "$f" "$dir/etc/"
  done
  install -d -m 755 -g lp "$dir/etc/ppd"
  install -d -m 700 -g lp "$dir/etc/ssl"
  local conf=$dir/etc/cupsd.conf
  [ -f "$conf" ] || { qf_own_log "no /etc/cups/cupsd.conf"; return 1; }
  sed -i -E '/^[[:space:]]*Browsing[[:space:]]/d' "$conf"
  echo "Browsing No" >>"$conf"
  grep -Eq '^[[:space:]]*(Listen[[:space:]]+(localhost|127\.0\.0\.1|\*|0\.0\.0\.0)?:?631|Port[[:space:]]+631)' "$conf" ||
    echo "Listen localhost:631" >>"$conf"
  grep -Eq '^[[:space:]]*Listen[[:space:]]+/run/cups/cups.sock' "$conf" || echo "Listen /run/cups/cups.sock" >>"$conf"
  local pdf=$dir/etc/cups-pdf.conf
  if [ -f "$pdf" ]; then
    sed -i -E '/^[[:space:]]*Out[[:space:]]/d' "$pdf"
    echo "Out $dir/pdf" >>"$pdf"
  fi
}

# Inside the new namespace: loopback, the private folders bound over the
# scheduler's, the scheduler, its queues.
qf_own_setup() {
  local dir=$1 outer=$2 name target
  # Never bind over the machine's folders nor listen on its localhost: only
  # in namespaces other than the ones this script was called from.
  if [ "$(readlink /proc/self/ns/mnt)" = "${outer%% *}" ] || [ "$(readlink /proc/self/ns/net)" = "${outer##* }" ]; then
    qf_own_log "not in a namespace of its own"
    return 1
  fi
  ip link set lo up || return 1
  if [ "${QF_OWN_PROPAGATION:-private}" != private ]; then
    local m
    while read -r m; do
      mount --make-private "$m" 2>/dev/null
    done < <(awk '{print $5}' /proc/self/mountinfo)
  fi
  qf_own_config "$dir" || return 1
  install -d -m 710 -g lp "$dir/spool"
  install -d -m 1770 -g lp "$dir/spool/tmp"
  install -d -m 770 -g lp "$dir/cache"
  install -d -m 755 "$dir/log" "$dir/run" "$dir/pdf-spool" "$dir/pdf"
  install -d -m 1777 "$dir/pdf-spool/ANONYMOUS"
  while read -r name target; do
    mkdir -p "$target" && mount --bind "$dir/$name" "$target" || { qf_own_log "cannot bind $target"; return 1; }
  done < <(qf_own_binds)
  readlink /proc/self/ns/mnt >"$dir/namespace"
  cat >"$dir/control" <<EOF
#!/bin/sh
# The scheduler of one test program (scripts/own-cups.sh).
QF_OWN_CUPS_DIR='$dir' exec bash '$here/own-cups.sh' "\$@"
EOF
  chmod +x "$dir/control"
  qf_own_start "$dir" || return 1
  qf_cups_pdf_queue && lpadmin -d PDF && qf_cups_test_queues >/dev/null || {
    qf_own_log "the queues could not be made"
    return 1
  }
}

case "${1:-}" in
  session)
    [ $# -ge 3 ] || { qf_own_log "usage: own-cups.sh session DIR COMMAND [ARG...]"; exit 2; }
    dir=$(realpath -m "$2")
    shift 2
    # A scheduler started again (wine-run's second attempt) starts afresh.
    (cd "$dir" 2>/dev/null && rm -rf etc spool cache log run pdf-spool pdf namespace control cupsd.pid cupsd.out)
    mkdir -p "$dir"
    # In a chroot the root is no mount point, and unshare cannot make it
    # private: the mounts inside are then made private one by one.
    propagation=private
    unshare --mount --propagation private true 2>/dev/null || propagation=unchanged
    QF_OWN_PROPAGATION=$propagation exec unshare --mount --net --propagation "$propagation" -- \
      bash "$here/own-cups.sh" _inside "$dir" "$(readlink /proc/self/ns/mnt) $(readlink /proc/self/ns/net)" "$@"
    ;;
  _inside)
    dir=$2 outer=$3
    shift 3
    # Every command here reaches this scheduler, whatever the caller's
    # environment named.
    export CUPS_SERVER=/run/cups/cups.sock
    trap 'qf_own_stop "$dir"' EXIT
    qf_own_setup "$dir" "$outer" || exit 1
    export QF_OWN_CUPS=$dir/control QF_PDF_DIR=$dir/pdf
    if [ -n "${WINEPREFIX:-}" ]; then
      if [ -n "$(qf_wineserver_socket)" ]; then
        qf_own_log "a wineserver outside this namespace already serves $WINEPREFIX"
        exit 1
      fi
      qf_wineserver_up
    fi
    "$@"
    rc=$?
    [ -z "${WINEPREFIX:-}" ] || qf_wineserver_down
    exit $rc
    ;;
  start | stop | running | purge | cancel)
    dir=${QF_OWN_CUPS_DIR:-}
    if [ -z "$dir" ] || ! qf_own_inside "$dir"; then
      qf_own_log "$1: not inside the namespace of a scheduler of our own; nothing done"
      exit 3
    fi
    export CUPS_SERVER=/run/cups/cups.sock
    case "$1" in
      start) qf_own_start "$dir" ;;
      stop) qf_own_stop "$dir" ;;
      running) [ -n "$(qf_own_pid "$dir")" ] && qf_own_answers ;;
      purge) [ -n "$(qf_own_pid "$dir")" ] && cancel -a -x ;;
      cancel) [ -n "${2:-}" ] && [ -n "$(qf_own_pid "$dir")" ] && cancel -a "$2" ;;
    esac
    ;;
  *)
    qf_own_log "usage: own-cups.sh session DIR COMMAND [ARG...] | start | stop | running | purge | cancel QUEUE"
    exit 2
    ;;
esac
