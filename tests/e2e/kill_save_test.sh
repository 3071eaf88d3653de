#!/usr/bin/env bash
# pagemind.exe killed (SIGKILL, no chance to clean up) at varied moments while its end command
# saves the slot files: afterwards every slot file holds its old or its new content, never a
# part of either, and the files a killed save leaves beside the slots are never read as slots.
#
#   PAGEMIND_E2E_KILLS   how many kills (default 30)
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/slot_sets.sh
source "$E2E_DIR/slot_sets.sh"

KILLS=${PAGEMIND_E2E_KILLS:-30}
# When the kill comes, taken in turn:
#   post:MS    MS milliseconds after the end command was posted (the save of the 31 files takes
#              about 10 to 60 ms under Wine on this machine kind, starting a few ms after pmctl
#              returns);
#   write:K    as soon as logK.pms.tmp appears: some new contents are written, none in place;
#   rename:K   as soon as logK.pms.tmp has gone again: slots up to K replaced, the rest not yet.
MOMENTS=(post:0 post:5 post:10 post:15 post:20 post:30 post:50 post:100
  write:0 write:15 write:30 rename:0 rename:10 rename:20 rename:29)

# Spins (no sleep: the moments are milliseconds apart) until TEST holds or 5 s pass.
spin_until() {
  local deadline=$((SECONDS + 5))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
  done
}
tmp_there() { [[ -e "$(slot_file "$1").tmp" ]]; }
tmp_gone() { [[ ! -e "$(slot_file "$1").tmp" ]]; }

# Waits for the moment MOMENT of the save that was just asked for.
wait_for_moment() {
  local kind=${1%%:*} arg=${1#*:}
  case "$kind" in
    post) e2e_sleep_ms "$arg" ;;
    write) spin_until tmp_there "$arg" ;;
    rename) spin_until tmp_there "$arg" && spin_until tmp_gone "$arg" ;;
  esac
}

# What each slot file holds after a kill: "new", "old", or the name of a file that is neither.
classify_slots() { # OLD_SET NEW_SET
  local k file
  for ((k = 0; k < SLOT_COUNT; k++)); do
    file="$(slot_file "$k")"
    if cmp -s "$2/$(slot_name "$k")" "$file"; then
      echo new
    elif cmp -s "$1/$(slot_name "$k")" "$file"; then
      echo old
    else
      slot_name "$k"
      echo
    fi
  done
}

# Starts the program and waits until it has started. Right after a kill, Wine dropped a start
# once in some hundred (a fresh clone's run: no window within 20 s, nothing in Wine's log); a
# start after which no pagemind.exe runs at all is logged with the Wine processes left and made
# once more. A program that runs and shows no window still fails.
start_until_started() {
  e2e_start_pagemind "$E2E_FOLDER"
  if ! e2e_pmctl wait-window "$E2E_MAIN_TITLE" 20000; then
    e2e_no_program_running "$E2E_FOLDER" ||
      e2e_fail "pagemind.exe runs but shows no window '$E2E_MAIN_TITLE' within 20 s" || return 1
    pm_log "no pagemind.exe 20 s after its start; Wine processes:" \
      "$(pm_processes | cut -f 2 | grep -i -e wine -e '\.exe' | tr '\n' ' ')"
    e2e_start_pagemind "$E2E_FOLDER"
  fi
  e2e_wait_started
}

case_kills() {
  local scratch="$E2E_FOLDER.scratch"
  rm -rf "$scratch"
  local old="$scratch/old" new="$scratch/new"
  slot_set_make "$old" before-the-end
  # Every slot differs between the two sets, so each file shows which one it holds.
  slot_set_make "$new" remembered
  local k
  for ((k = 0; k < SLOT_COUNT; k++)); do
    [[ -s "$new/$(slot_name "$k")" ]] || printf 'http://127.0.0.1/remembered/%d' "$k" \
      >"$new/$(slot_name "$k")"
  done

  local i moment pids states new_count old_count tmp_count summary=""
  local all_old=0 mixed=0 all_new=0
  for ((i = 0; i < KILLS; i++)); do
    moment=${MOMENTS[i % ${#MOMENTS[@]}]}
    rm -f "$E2E_FOLDER"/Log/*.tmp
    # The program holds NEW in memory; the disk holds OLD, as if from an earlier end.
    slot_set_plant "$new"
    start_until_started || return 1
    e2e_wait_until 10 "the slot files to be read" slot_files_gone || return 1
    slot_set_plant "$old"
    mapfile -t pids < <(e2e_program_pids)
    ((${#pids[@]} == 1)) || e2e_fail "expected one pagemind.exe, found ${#pids[*]}" || return 1

    e2e_end_program || return 1
    wait_for_moment "$moment" || pm_log "kill $((i + 1)): the moment $moment did not come"
    kill -KILL "${pids[0]}" 2>/dev/null
    e2e_wait_process_end 10 || return 1

    states="$(classify_slots "$old" "$new")"
    new_count=$(grep -cx new <<<"$states")
    old_count=$(grep -cx old <<<"$states")
    tmp_count=$(find "$E2E_FOLDER/Log" -name '*.tmp' | wc -l)
    pm_log "kill $((i + 1)) at $moment: $new_count new, $old_count old, $tmp_count .tmp left"
    if ((new_count + old_count != SLOT_COUNT)); then
      e2e_fail "kill $((i + 1)) at $moment left slot files with neither content:" \
        "$(grep -vx -e new -e old <<<"$states" | tr '\n' ' ')" || return 1
    fi
    if ((new_count == 0)); then
      all_old=$((all_old + 1))
    elif ((old_count == 0)); then
      all_new=$((all_new + 1))
    else
      mixed=$((mixed + 1))
    fi
  done
  summary="$KILLS kills: $all_old before any file was replaced, $mixed during the replacing,"
  summary+=" $all_new after"
  pm_log "$summary"
  echo "$summary" >"$E2E_ARTIFACTS/kill_save-summary.txt"

  # The next start reads logNN.pms only. Every slot gets a .tmp beside it that holds neither
  # content (a killed save leaves such files); the start after that must find exactly the slot
  # files the kill left, and its end must leave nothing else behind.
  local left="$scratch/left" tmp
  mkdir -p "$left"
  cp "$E2E_FOLDER"/Log/log??.pms "$left/"
  for ((k = 0; k < SLOT_COUNT; k++)); do
    tmp="$(slot_file "$k").tmp"
    [[ -e "$tmp" ]] || printf 'http://127.0.0.1/not-a-slot/%d' "$k" >"$tmp"
  done
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  e2e_wait_until 10 "the slot files to be read" slot_files_gone || return 1
  e2e_assert_no_message_box || return 1
  e2e_end_and_wait || return 1
  slot_set_assert "$left" "after a start and end that followed the kills" || return 1
  e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER")" "other files in Log"
}

e2e_setup kill_save
e2e_case kills case_kills
e2e_finish
