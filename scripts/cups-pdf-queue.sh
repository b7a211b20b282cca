#!/usr/bin/env bash
# Makes a CUPS queue that writes PDF files (cups-pdf), starting the scheduler
# when it is not running: the end-to-end print tests print through it. The
# system's default destination is left as it is: the tests name the queue
# themselves. CI runs as root without systemd, so the scheduler is started
# directly. Idempotent.
set -euo pipefail
queue="${ZV_CUPS_QUEUE:-zarvium-pdf}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# lpstat -r exits 0 either way; its words tell.
running() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }

if ! running; then
  if command -v systemctl >/dev/null 2>&1 && [ -d /run/systemd/system ]; then
    $SUDO systemctl start cups
  else
    $SUDO /usr/sbin/cupsd
  fi
  deadline=$((SECONDS + 30))
  until running; do
    if [ $SECONDS -ge $deadline ]; then
      echo "cups-pdf-queue: the CUPS scheduler did not start" >&2
      exit 1
    fi
    sleep 0.2
  done
fi

if ! lpstat -p "$queue" >/dev/null 2>&1; then
  ppd="$(lpinfo -m 2>/dev/null | awk '/cups-pdf\/CUPS-PDF_opt.ppd/ {print $1; exit}')"
  [ -n "$ppd" ] || ppd="$(lpinfo -m 2>/dev/null | awk '/CUPS-PDF/ {print $1; exit}')"
  if [ -z "$ppd" ]; then
    echo "cups-pdf-queue: no cups-pdf driver (install printer-driver-cups-pdf)" >&2
    exit 1
  fi
  # The report is laid out for A4.
  $SUDO lpadmin -p "$queue" -E -v cups-pdf:/ -m "$ppd" -o PageSize=A4 2>&1 | grep -v 'deprecated' || true
fi
# Every file named with its job id ("<title>-job_<n>.pdf"): jobs of one title
# never overwrite each other, and a job's page is found by its id.
$SUDO lpadmin -p "$queue" -o Label=2 2>&1 | grep -v 'deprecated' || true
$SUDO cupsenable "$queue" 2>/dev/null || true
$SUDO cupsaccept "$queue" 2>/dev/null || true
