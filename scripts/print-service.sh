#!/usr/bin/env bash
# A print queue for the print test: CUPS with a PDF printer ("PurgeonPDF"), started and stopped
# around that test only. cups-pdf writes each job to $HOME/PDF/.
#   print-service.sh start   starts cupsd (unless one runs already) and adds the queue
#   print-service.sh stop    stops the cupsd this script started
set -uo pipefail
state=/tmp/purgeon-print-service
queue=PurgeonPDF
case "${1:-}" in
  start)
    if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
      echo "print-service: CUPS is not installed" >&2; exit 1
    fi
    mkdir -p "$state"
    running() { lpstat -r 2>/dev/null | grep -q '^scheduler is running'; }
    if ! running; then
      (setsid cupsd -f >/dev/null 2>&1 </dev/null & echo $! >"$state/cupsd.pid")
      for _ in $(seq 100); do running && break; sleep 0.1; done
    fi
    lpadmin -p "$queue" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd >/dev/null 2>&1 \
      || lpadmin -p "$queue" -E -v cups-pdf:/ -m raw >/dev/null 2>&1
    cupsenable "$queue" >/dev/null 2>&1; cupsaccept "$queue" >/dev/null 2>&1
    lpoptions -d "$queue" >/dev/null 2>&1
    lpstat -p "$queue" >/dev/null 2>&1 || { echo "print-service: no queue" >&2; exit 1; }
    ;;
  stop)
    if [ -f "$state/cupsd.pid" ]; then
      pid=$(cat "$state/cupsd.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      rm -f "$state/cupsd.pid"
    fi
    ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
