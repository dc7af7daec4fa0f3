# Sourced (after gui_prefix.sh) by the tests and benchmarks that leave Sorvane.exe running
# in the tray with its shields: the settings of a program that has started before, the
# shields and a daily scheduled scan as asked, and the start page the home-page shield
# guards, "http://home.example/".
#   seed_shield_settings PRODUCT COMPANY MEMORY_SHIELD ASK_FIRST SCHEDULED TIME
#   MEMORY_SHIELD, ASK_FIRST: True or False; a start page changed while ASK_FIRST is False
#   is put back without a question. SCHEDULED: 1 or 0; TIME: the daily scan's time of day.
seed_shield_settings() {
    local product=$1 company=$2 memory=$3 ask=$4 scheduled=$5 time=$6 silent=True
    [[ "$ask" == True ]] && silent=False
    seed_settings "$product" "$company" "
[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$product\\OptionAndSettings]
\"optMemorySheildOn\"=\"$memory\"
\"optIEHomePageSheildOn\"=\"True\"
\"optAlwaysnotifybeforerestoring\"=\"$ask\"
\"optRestoredefaultwithoutnotification\"=\"$silent\"
\"Homepage\"=\"http://home.example/\"
\"chkAutomaticScanYesOrNo\"=\"$scheduled\"
\"Day\"=\"7\"
\"Time\"=\"$time\"
\"Date\"=\"Null\"
\"chkAutomaticUpdate\"=\"0\"
\"chkRunAtStartup\"=\"0\"

[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$product\\Settings]
\"Minimized\"=\"Yes\"
\"ranOneTime\"=\"1\"

[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]
\"Start Page\"=\"http://home.example/\"
"
}
