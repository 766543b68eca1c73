#!/bin/sh
# Hands a laid-out PDF to CUPS for the stand-ins.
#
#   print-pdf.sh QUEUE TITLE PDF WAIT [lp options]
#     Prints PDF on QUEUE as one job named TITLE, then removes PDF. The job
#     goes to CUPS as a PDF whatever its name says (a title ending in ".doc"
#     would make CUPS take it for a Word file and refuse it), rendered by
#     cairo, which keeps the text of the pages readable. With WAIT 1 it
#     returns when the job has left the queue. Exit 0 done, 1 refused, 2 the
#     job was still queued after five minutes.
set -u

queue=$1 title=$2 pdf=$3 wait=$4
shift 4
answer=$(lp -d "$queue" -t "$title" -o document-format=application/pdf -o pdftops-renderer=pdftocairo \
  "$@" -- "$pdf" 2>&1)
rc=$?
rm -f "$pdf"
[ $rc = 0 ] || exit 1
[ "$wait" = 1 ] || exit 0
id=${answer#request id is }
id=${id%% *}
i=0
while lpstat -o "$queue" 2>/dev/null | grep -q "^$id "; do
  i=$((i + 1))
  [ $i -gt 3000 ] && exit 2
  sleep 0.1
done
exit 0
