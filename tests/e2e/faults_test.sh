#!/usr/bin/env bash
# pagemind.exe against what can go wrong on the disk: a damaged settings file, a file named "Log"
# where its folder belongs, a slot file another program holds open, slot files that are not
# addresses, a full disk, and a recovery copy another program holds open at the start. In each, no page the program stored may be lost and the program
# must say what failed; a failed save at the end asks whether to end without saving: いいえ
# leaves it running so the user can end it again, はい ends it with the recovery copy kept.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/slot_sets.sh
source "$E2E_DIR/slot_sets.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"

HOLDFILE_EXE="$E2E_BUILD/holdfile.exe"
# The disk-full case mounts a small tmpfs over its program folder; this is its mount point.
MOUNTED=""

# A fresh folder beside the case's program folder for what the case keeps outside it: sets of
# slot files to compare with, and the holder's signal files. Sets SCRATCH.
fresh_scratch() {
  SCRATCH="$E2E_FOLDER.scratch"
  rm -rf "$SCRATCH"
  mkdir -p "$SCRATCH"
}

message_box_text() { e2e_pmctl message-box-text 20000; }

# The box is there with TEXT; press OK and wait for it to go.
dismiss_message_box() {
  e2e_pmctl click-ok 2000 || e2e_fail "could not press OK" || return 1
  e2e_wait_until 10 "the message box to close" e2e_message_box_gone
}

# The end command's question is there: answer it by typing KEY (y for はい, n for いいえ, the
# buttons' access keys) and wait for it to go.
answer_question() {
  e2e_pmctl press-key "$1" 2000 || e2e_fail "could not type $1 into the question" || return 1
  e2e_wait_until 10 "the question to close" e2e_message_box_gone
}

# The end command, its question with TEXT, and its answer KEY.
end_and_answer() { # KEY
  e2e_end_program || return 1
  QUESTION="$(message_box_text)" || e2e_fail "no question after the end command" || return 1
  pm_log "end question: $(tr '\n' '|' <<<"$QUESTION" | head -c 600)"
  e2e_assert_contains "$QUESTION" "保存できませんでした" "the question after the end command" &&
    e2e_assert_contains "$QUESTION" "保存せずに終了しますか" "the question after the end command" ||
    return 1
  answer_question "$1"
}

# The recovery copy of the pages of the slot set in DIR: the slots' addresses in slot order,
# in UTF-8.
expected_recovery_copy() { # DIR
  local k file
  printf 'Pagemind recovery 1\r\n'
  for ((k = 0; k < SLOT_COUNT; k++)); do
    file="$1/$(slot_name "$k")"
    [[ -s "$file" ]] || continue
    iconv -f CP932 -t UTF-8 <"$file"
    printf '\r\n'
  done
  printf 'end\r\n'
}

# Still resident: one process, its main window there, a while after the last message.
assert_resident() {
  sleep 1
  e2e_assert_eq 1 "$(e2e_program_count)" "pagemind.exe processes ($1)" || return 1
  e2e_assert_eq 1 "$(e2e_window_count "$E2E_MAIN_TITLE")" "main windows ($1)"
}

# Starts the program, whose message at the start names the files NAMED (one a line) and gives
# REASON; OK closes it and the program stays.
start_with_message() { # NAMED REASON
  e2e_start_pagemind "$E2E_FOLDER"
  local text
  text="$(message_box_text)" || e2e_fail "no message box at the start" || return 1
  pm_log "start message: $(tr '\n' '|' <<<"$text")"
  e2e_assert_eq "$1" "$(named_files "$text")" "files named at the start" || return 1
  e2e_assert_contains "$text" "$2" "the reason at the start" || return 1
  dismiss_message_box || return 1
  assert_resident "after the start"
}

# Every line of TEXT that names a file, as the file's last path component (one a line).
# shellcheck disable=SC1003  # a backslash in single quotes, as meant
named_files() { grep -oE '[^\\]+$' <<<"$(grep -E '^[A-Za-z]:\\' <<<"$1")"; }

# Every byte value, COUNT times over: binary garbage that is the same on every run.
all_bytes() {
  local i block=""
  for ((i = 0; i < 256; i++)); do block+="$(printf '\\x%02x' "$i")"; done
  for ((i = 0; i < $1; i++)); do printf '%b' "$block"; done
}

# --- a damaged settings file ------------------------------------------------------------------

# Binary bytes, a 100 KB line, a repeated section whose second copy holds keys, quotes without
# their pair and values that are no numbers: none of it sets a key, so the program must start
# as with no settings file at all — splash shown, pages remembered, no debug indicators.
case_garbage_settings() {
  fresh_scratch
  local ini="$E2E_FOLDER/Pagemind.ini" pages="$SCRATCH/pages"
  {
    all_bytes 16 | tr -d '[]=\n\r'
    printf '\r\n%s\r\n' "$(head -c $((100 * 1024)) /dev/zero | tr '\0' 'z')"
    printf '[Settings]\r\n"Logo=0\r\n[Debug]\r\n[Settings]\r\nLog=0\r\nDebugMode=1\r\n'
    printf '[Debug ]]\r\n\x00DebugMode=1\r\n'
  } >"$ini"
  cp "$ini" "$SCRATCH/ini.before"
  slot_set_make "$pages" garbage-ini
  slot_set_plant "$pages"

  e2e_pmctl lifetime "$E2E_SPLASH_TITLE" 20000 >"$SCRATCH/lifetime" &
  local watcher=$!
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_window "$E2E_SPLASH_TITLE" 20 || return 1
  local texts
  texts="$(e2e_visible_texts "$E2E_SPLASH_TITLE")"
  e2e_assert_contains "$texts" "起動しています" "splash texts" || return 1
  [[ "$texts" != *"デバッグモード ON"* ]] || e2e_fail "the splash shows the debug mode" || return 1
  wait "$watcher" || e2e_fail "the splash window was never shown, or did not go" || return 1
  e2e_wait_started || return 1
  e2e_wait_until 10 "the slot files to be read" slot_files_gone || return 1
  e2e_assert_no_message_box || return 1
  e2e_assert_eq 1 "$(e2e_program_count)" "pagemind.exe processes" || return 1
  e2e_end_and_wait || return 1
  slot_set_assert "$pages" "after the end" || return 1
  e2e_assert_same_bytes "$SCRATCH/ini.before" "$ini" "the settings file"
}

# --- a file named Log -------------------------------------------------------------------------

case_log_is_a_file() {
  printf 'not a folder' >"$E2E_FOLDER/Log"
  start_with_message Log "フォルダとして使えません" || return 1

  end_and_answer n || return 1
  e2e_assert_eq "Log" "$(named_files "$QUESTION")" "files named after the end command" || return 1
  # With no Log folder nothing was read and no browser runs here: no page to lose.
  e2e_assert_contains "$QUESTION" "失われるページはありません" "what the question says is kept" ||
    return 1
  assert_resident "after answering いいえ" || return 1

  end_and_answer y || return 1
  e2e_wait_process_end 20 || return 1
  e2e_assert_eq "not a folder" "$(<"$E2E_FOLDER/Log")" "the file named Log"
}

# --- a slot file held open by another program -------------------------------------------------

# The program stores pages NEW (read at start); meanwhile the Log folder gets files OLD, and
# another program holds log05.pms open with no sharing. The end command must replace every file
# but that one, keep it whole and ask: いいえ stays. Asked again while the file is still held,
# はい ends with that file still whole and every page in the recovery copy.
case_held_slot_file() {
  fresh_scratch
  local new="$SCRATCH/new" old="$SCRATCH/old" held=5
  slot_set_make "$new" new
  slot_set_make "$old" old
  slot_set_plant "$new"
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  e2e_wait_until 10 "the slot files to be read" slot_files_gone || return 1
  slot_set_plant "$old"

  local ready="$SCRATCH/ready" release="$SCRATCH/release"
  pm_wine "$HOLDFILE_EXE" "$(pm_winpath "$(slot_file $held)")" "$(pm_winpath "$ready")" \
    "$(pm_winpath "$release")" 120000 </dev/null >/dev/null 2>&1 &
  local holder=$!
  e2e_wait_file "$ready" 20 || return 1
  kill -0 "$holder" 2>/dev/null || e2e_fail "the holder did not keep the file open" || return 1

  end_and_answer n || return 1
  e2e_assert_eq "$(slot_name $held)" "$(named_files "$QUESTION")" "files named in the question" ||
    return 1
  e2e_assert_contains "$QUESTION" "recovery.pmr」に残してあります" "what the question says is kept" ||
    return 1
  assert_resident "after answering いいえ" || return 1
  local k
  for ((k = 0; k < SLOT_COUNT; k++)); do
    if ((k == held)); then
      e2e_assert_same_bytes "$old/$(slot_name "$k")" "$(slot_file "$k")" "the held slot" ||
        return 1
    else
      e2e_assert_same_bytes "$new/$(slot_name "$k")" "$(slot_file "$k")" "slot $k" || return 1
    fi
  done
  e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER")" "other files in Log" || return 1

  end_and_answer y || return 1
  e2e_wait_process_end 20 || return 1
  e2e_assert_same_bytes "$old/$(slot_name $held)" "$(slot_file $held)" "the held slot" || return 1
  expected_recovery_copy "$new" >"$SCRATCH/recovery.expected"
  e2e_assert_same_bytes "$SCRATCH/recovery.expected" "$(recovery_copy)" \
    "the recovery copy after はい" || return 1
  e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER")" "other files in Log" || return 1
  : >"$release"
  wait "$holder" || e2e_fail "the holder did not let go as asked"
}

# --- a recovery copy held open by another program at the start --------------------------------

recovery_copy_holds() { # BYTES
  local copy
  copy="$(recovery_copy)"
  [[ -f "$copy" && "$(cat "$copy"; echo x)" == "$1x" ]]
}

# The copy a killed run left is held with no sharing while the program starts: it cannot be
# read, nor moved. The start says so; once the holder has let go, the first page change moves
# it aside under a name of its own and writes the new copy beside it, and the end command
# deletes only the new one.
case_held_recovery_copy() {
  fresh_scratch
  local copy aside
  copy="$(recovery_copy)"
  aside="$copy.unread1"
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT" PAGE_LIST
  mkdir -p "$E2E_FOLDER/Log"
  printf 'Pagemind recovery 1\r\n%s/killed-run.html\r\nend\r\n' "$base" >"$copy"
  cp "$copy" "$SCRATCH/held"

  local ready="$SCRATCH/ready" release="$SCRATCH/release"
  pm_wine "$HOLDFILE_EXE" "$(pm_winpath "$copy")" "$(pm_winpath "$ready")" \
    "$(pm_winpath "$release")" 120000 </dev/null >/dev/null 2>&1 &
  local holder=$!
  e2e_wait_file "$ready" 20 || return 1

  e2e_start_pagemind "$E2E_FOLDER"
  local text
  text="$(message_box_text)" || e2e_fail "no message box at the start" || return 1
  pm_log "start message: $(tr '\n' '|' <<<"$text")"
  e2e_assert_eq "recovery.pmr" "$(named_files "$text")" "files named at the start" || return 1
  e2e_assert_contains "$text" "別の名前に移せませんでした" "what the start says of the copy" ||
    return 1
  e2e_assert_contains "$text" "上書きも削除もせず" "what the start says of the copy" || return 1
  dismiss_message_box || return 1
  : >"$release"
  wait "$holder" || e2e_fail "the holder did not let go as asked" || return 1

  PAGE_LIST="$base/plain.html"$'\t'"Plain page"
  standin_open_pages || return 1
  e2e_wait_until 10 "the new recovery copy" recovery_copy_holds \
    "Pagemind recovery 1"$'\r\n'"$base/plain.html"$'\r\n'"end"$'\r\n' ||
    e2e_fail "recovery copy: $(tr '\r\n' '|' <"$copy" 2>&1)" || return 1
  e2e_assert_same_bytes "$SCRATCH/held" "$aside" "the held copy beside the new one" || return 1

  e2e_end_and_wait || return 1
  standin_assert_slots_hold_pages || return 1
  e2e_assert_missing "$copy" "the new recovery copy after the end command" || return 1
  e2e_assert_same_bytes "$SCRATCH/held" "$aside" "the held copy after the end command" || return 1
  e2e_assert_eq "recovery.pmr.unread1" "$(slot_extra_files "$E2E_FOLDER")" "other files in Log"
}

# --- slot files that are not addresses --------------------------------------------------------

# Binary bytes, invalid code page 932 sequences and a 1 MB file among good ones: the 1 MB file is
# named and stays on disk untouched, all the others are read; nothing crashes.
case_bad_slot_files() {
  fresh_scratch
  local good="$SCRATCH/good" kept="$SCRATCH/kept"
  slot_set_make "$good" good
  slot_set_plant "$good"
  all_bytes 6 >"$(slot_file 7)"
  printf 'http://127.0.0.1/\x81\x20\xff\x80\xa0\xfd\xfe/\x00/end\x82' >"$(slot_file 8)"
  head -c $((1024 * 1024)) /dev/urandom >"$(slot_file 9)"
  cp "$(slot_file 9)" "$kept"

  start_with_message "$(slot_name 9)" "192 KB を超えています）。ページのアドレスではありません" || return 1
  e2e_assert_same_bytes "$kept" "$(slot_file 9)" "the 1 MB slot file after the start" || return 1
  local k
  for ((k = 0; k < SLOT_COUNT; k++)); do
    ((k == 9)) && continue
    e2e_assert_missing "$(slot_file "$k")" "slot $k after the start (it should have been read)" ||
      return 1
  done

  e2e_end_and_wait || return 1
  for ((k = 0; k < SLOT_COUNT; k++)); do
    ((k >= 7 && k <= 9)) && continue
    e2e_assert_same_bytes "$good/$(slot_name "$k")" "$(slot_file "$k")" "slot $k after the end" ||
      return 1
  done
  # What the damaged files become is the code page's business; that they are written back, as
  # addresses that fit a slot, is the program's.
  for k in 7 8; do
    e2e_assert_exists "$(slot_file "$k")" "slot $k after the end" || return 1
    e2e_assert_between "$(stat -c %s "$(slot_file "$k")")" 1 196608 "bytes in slot $k" || return 1
  done
  # The file the start could not read outlives the end while its slot holds nothing newer.
  e2e_assert_same_bytes "$kept" "$(slot_file 9)" "the 1 MB slot file after the end" || return 1
}

# --- a full disk ------------------------------------------------------------------------------

unmount_folder() {
  [[ -n "$MOUNTED" ]] || return 0
  pm_kill_wine
  umount "$MOUNTED" 2>/dev/null || umount -l "$MOUNTED" 2>/dev/null
  MOUNTED=""
}

# Fills the file system of FOLDER to the last byte.
fill_disk() {
  dd if=/dev/zero of="$1/filler" bs=4096 2>/dev/null
  dd if=/dev/zero of="$1/filler-tail" bs=1 2>/dev/null
  (($(stat -f -c %a "$1") == 0))
}

# The program folder is a small tmpfs; the disk fills up while the program runs. The end
# command must fail for every slot with something to write, keep those files whole, say so and
# stay; once there is room, ending works.
case_full_disk() {
  fresh_scratch
  local new="$SCRATCH/new" old="$SCRATCH/old" size
  # Room for the program and the slot files, and little else.
  size=$(($(stat -c %s "$PAGEMIND_EXE") + 2 * 1024 * 1024))
  MOUNTED="$E2E_FOLDER"
  mount -t tmpfs -o "size=$size,mode=0755" pagemind-full "$E2E_FOLDER" ||
    e2e_fail "mounting the tmpfs failed" || return 1
  cp "$PAGEMIND_EXE" "$E2E_FOLDER/pagemind.exe"
  slot_set_make "$new" new
  slot_set_make "$old" old
  slot_set_plant "$new"
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  e2e_wait_until 10 "the slot files to be read" slot_files_gone || return 1
  slot_set_plant "$old"
  fill_disk "$E2E_FOLDER" || e2e_fail "the disk did not fill up" || return 1

  end_and_answer n || return 1
  assert_resident "after the end on a full disk" || return 1
  local k named expected=""
  named="$(named_files "$QUESTION" | sort)"
  for ((k = 0; k < SLOT_COUNT; k++)); do
    if [[ -s "$new/$(slot_name "$k")" ]]; then
      expected+="$(slot_name "$k")"$'\n'
      e2e_assert_same_bytes "$old/$(slot_name "$k")" "$(slot_file "$k")" "slot $k on a full disk" ||
        return 1
    else
      # Nothing to write: an empty file takes no room, so this one is saved.
      e2e_assert_same_bytes "$new/$(slot_name "$k")" "$(slot_file "$k")" "empty slot $k" ||
        return 1
    fi
  done
  e2e_assert_eq "$(sort <<<"${expected%$'\n'}")" "$named" "files named in the message" ||
    return 1
  e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER")" "other files in Log" || return 1

  rm -f "$E2E_FOLDER/filler" "$E2E_FOLDER/filler-tail"
  e2e_end_and_wait || return 1
  slot_set_assert "$new" "after the end with room again" || return 1
  unmount_folder
}

e2e_setup faults
pm_on_exit unmount_folder
if ! e2e_build_tool holdfile || ! e2e_build_tool visible_texts; then
  echo "FAIL faults: the test tools did not build"
  exit 1
fi
e2e_case garbage_settings case_garbage_settings
e2e_case log_is_a_file case_log_is_a_file
e2e_case held_slot_file case_held_slot_file
e2e_case bad_slot_files case_bad_slot_files
# Mounting needs the right to; where it is refused the case cannot be shown and is skipped.
probe="$E2E_BUILD/mount-probe"
mkdir -p "$probe"
if why="$(mount -t tmpfs -o size=64k pagemind-probe "$probe" 2>&1)"; then
  umount "$probe"
  e2e_case full_disk case_full_disk
else
  echo "SKIP $E2E_TEST/full_disk: this machine refuses to mount a tmpfs: ${why:-no reason given}"
fi
unmount_folder
# The only case with a browser: the shell's window collection is the stand-in's from here on.
standin_setup
e2e_case held_recovery_copy case_held_recovery_copy
e2e_finish
