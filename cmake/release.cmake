# Lays out the release in the current folder: Korvane/ (program, user guide, settings
# example, SHA256SUMS), its zip, and the per-user installer Korvane.msi.
# Run as: cmake -DSOURCE=<repository> -DEXE=<Korvane.exe> -P release.cmake
# With KORVANE_SIGN_CERT set, the program and the installer are signed (scripts/sign.sh)
# before the sums are taken. Unsigned, the same commit gives the same bytes: fixed names,
# order, time stamps and installer codes.
set(fixed_time 2009-05-11T00:00:00Z)
file(REMOVE_RECURSE Korvane Korvane.zip Korvane.msi msi-tables)
file(MAKE_DIRECTORY Korvane)
file(COPY_FILE "${EXE}" Korvane/Korvane.exe)
execute_process(COMMAND bash "${SOURCE}/scripts/sign.sh" Korvane/Korvane.exe COMMAND_ERROR_IS_FATAL ANY)

# Windows users read the texts with Notepad and reg.exe: CRLF line ends.
function(copy_crlf from to)
  file(READ "${from}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${to}" "${text}")
endfunction()
copy_crlf("${SOURCE}/docs/user-guide.txt" Korvane/USER-GUIDE.txt)
copy_crlf("${SOURCE}/installer/korvane-settings.example.reg" Korvane/korvane-settings.example.reg)

# The installer. Its product code follows the version (so a new version upgrades the
# old one) and its package code the program's bytes; wixl draws a random package code
# and stamps the build time, both replaced below.
file(STRINGS "${SOURCE}/ui/res/korvane.rc" version REGEX "^PRODUCTVERSION")
string(REGEX REPLACE "[^0-9,]" "" version "${version}")
string(REPLACE "," "." version "${version}")
set(upgrade_code 6E1D7A52-3C0B-4F7E-9A41-2B8C5D0F4E13)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "Korvane ${version}" TYPE SHA1 UPPER)
file(SHA256 Korvane/Korvane.exe exe_hash)
file(SHA256 "${SOURCE}/installer/korvane.wxs" wxs_hash)
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${exe_hash} ${wxs_hash}" TYPE SHA1 UPPER)
# The cabinet keeps the file's time.
execute_process(COMMAND touch -d ${fixed_time} Korvane/Korvane.exe COMMAND_ERROR_IS_FATAL ANY)
# The bench's x86-64 twin gets an x64 package, so its custom actions find 64-bit tools.
if(NOT DEFINED MSI_ARCH)
  set(MSI_ARCH x86)
endif()
set(system_folder SystemFolder) # the 32-bit system folder, on 64-bit Windows too
if(MSI_ARCH STREQUAL x64)
  set(system_folder System64Folder)
endif()
execute_process(COMMAND wixl -a ${MSI_ARCH} -D SystemTools=${system_folder}
                        -D Version=${version} -D ProductCode=${product_code}
                        -D UpgradeCode=${upgrade_code} -o ../Korvane.msi
                        "${SOURCE}/installer/korvane.wxs"
                WORKING_DIRECTORY Korvane COMMAND_ERROR_IS_FATAL ANY)
# What wixl cannot say: the autostart part's condition; the settings key removed on
# uninstall (Wine's installer drops the emptied parent key as well); and an upgrade that
# installs the new version before it removes the old one, so the parts both share, the
# settings key among them, stay.
execute_process(COMMAND msibuild Korvane.msi
  -q "UPDATE `InstallExecuteSequence` SET `Sequence`=6601 WHERE `Action`='RemoveExistingProducts'"
  -q "UPDATE `Component` SET `Condition`='AUTOSTART=1' WHERE `Component`='Autostart'"
  -q "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) VALUES ('RemoveSettings', 1, 'SOFTWARE\\Tessmark\\Korvane', '-', 'Program')"
  COMMAND_ERROR_IS_FATAL ANY)
file(MAKE_DIRECTORY msi-tables)
execute_process(COMMAND msidump -d . ../Korvane.msi WORKING_DIRECTORY msi-tables
                COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
file(READ msi-tables/_SummaryInformation.idt summary)
string(REGEX REPLACE "\n9\t[^\n]*" "\n9\t{${package_code}}" summary "${summary}")
string(REGEX REPLACE "\n(1[23])\t[^\n]*" "\n\\1\t2009/05/11 00:00:00" summary "${summary}")
file(WRITE msi-tables/_SummaryInformation.idt "${summary}")
execute_process(COMMAND msibuild Korvane.msi -i msi-tables/_SummaryInformation.idt
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE msi-tables)
execute_process(COMMAND bash "${SOURCE}/scripts/sign.sh" Korvane.msi COMMAND_ERROR_IS_FATAL ANY)

set(sums "")
foreach(path Korvane/Korvane.exe Korvane/USER-GUIDE.txt Korvane/korvane-settings.example.reg
             Korvane.msi)
  file(SHA256 "${path}" hash)
  get_filename_component(name "${path}" NAME)
  string(APPEND sums "${hash}  ${name}\r\n")
endforeach()
file(WRITE Korvane/SHA256SUMS "${sums}")

find_program(PYTHON3 python3 REQUIRED)
execute_process(COMMAND "${PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/make_zip.py" Korvane.zip
                        Korvane/Korvane.exe Korvane/USER-GUIDE.txt
                        Korvane/korvane-settings.example.reg Korvane/SHA256SUMS
                COMMAND_ERROR_IS_FATAL ANY)
