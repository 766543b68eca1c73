#!/bin/sh
# The Linux half of the office stand-ins: lays documents out with
# LibreOffice and hands the pages to CUPS.
#
#   office.sh layout FAMILY WORKDIR INPUT OUTPUT
#     Lays INPUT out as a PDF at OUTPUT with a LibreOffice profile of its
#     own, removed afterwards; WORKDIR takes the intermediate files. FAMILY (writer, calc or
#     impress) is the kind of document the application reads: a file that
#     LibreOffice reads as another kind is refused. Exit 0 laid out, 2 not
#     readable, 3 another kind of document.
#   office.sh print QUEUE TITLE PDF WAIT [lp options]
#     Prints PDF on QUEUE as one job named TITLE, then removes PDF. The job
#     goes to CUPS as a PDF whatever its name says (a title ending in ".doc"
#     would make CUPS take it for a Word file and refuse it), rendered by
#     cairo, which keeps the text of the pages readable. With WAIT 1 it
#     returns when the job has left the queue. Exit 0 done, 1 refused, 2 the
#     job was still queued after five minutes.
set -u

layout() {
  family=$1 work=$2 input=$3 output=$4
  # The profile goes in a URL: its path must need no escaping.
  profile=$(mktemp -d /tmp/qf-office-profile.XXXXXX) out=$work/out-$$
  mkdir -p "$out"
  timeout -k 5 240 soffice "-env:UserInstallation=file://$profile" --headless --norestore \
    --convert-to pdf --outdir "$out" "$input" >"$out.log" 2>&1
  used=$(sed -n 's/.*using filter : \([a-z]*\)_pdf_Export.*/\1/p' "$out.log")
  made=$(ls "$out"/*.pdf 2>/dev/null | head -n 1)
  rc=0
  if [ -z "$made" ]; then rc=2
  elif [ "$used" != "$family" ]; then rc=3
  else mv -f "$made" "$output" || rc=2
  fi
  rm -rf "$profile" "$out" "$out.log"
  return $rc
}

print() {
  queue=$1 title=$2 pdf=$3 wait=$4
  shift 4
  answer=$(lp -d "$queue" -t "$title" -o document-format=application/pdf -o pdftops-renderer=pdftocairo \
    "$@" -- "$pdf" 2>&1)
  rc=$?
  rm -f "$pdf"
  [ $rc = 0 ] || return 1
  [ "$wait" = 1 ] || return 0
  id=${answer#request id is }
  id=${id%% *}
  i=0
  while lpstat -o "$queue" 2>/dev/null | grep -q "^$id "; do
    i=$((i + 1))
    [ $i -gt 3000 ] && return 2
    sleep 0.1
  done
  return 0
}

command=$1
shift
case "$command" in
  layout) layout "$@" ;;
  print) print "$@" ;;
  *) exit 64 ;;
esac
