#!/bin/sh
# The Linux half of the office stand-ins: lays documents out with
# LibreOffice.
#
#   office.sh layout FAMILY WORKDIR INPUT OUTPUT
#     Lays INPUT out as a PDF at OUTPUT with a LibreOffice profile of its
#     own, removed afterwards; WORKDIR takes the intermediate files. FAMILY (writer, calc or
#     impress) is the kind of document the application reads: a file that
#     LibreOffice reads as another kind is refused. Exit 0 laid out, 2 not
#     readable, 3 another kind of document.
# Printing the laid-out pages is print-pdf.sh's (shared by the stand-ins).
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

command=$1
shift
case "$command" in
  layout) layout "$@" ;;
  *) exit 64 ;;
esac
