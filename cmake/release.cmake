# Lays out the release in the current folder: Korvane/ (program, user guide, settings
# example, Group Policy templates, SHA256SUMS of those), its zip, the per-user installer
# Korvane.msi, the templates again in policy/, and SHA256SUMS of the zip, the installer
# and the templates.
# Run as: cmake -DSOURCE=<repository> -DEXE=<Korvane.exe> -DCLOSE_AGENT=<close_agent.dll>
#               -DRELEASE=<major.minor.build> -P release.cmake
# The build passes the release number from CMakeLists.txt's project(); the tests pass
# others to build an older and a newer package from the same sources.
# With KORVANE_SIGN_CERT set, the program and the installer are signed (cmake/sign.sh)
# before the sums are taken. Unsigned, the same commit gives the same bytes: fixed names,
# order, time stamps and installer codes.
if(NOT RELEASE MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "RELEASE must be major.minor.build, not '${RELEASE}'")
endif()
set(fixed_time 2009-05-11T00:00:00Z)
file(REMOVE_RECURSE Korvane Korvane.zip Korvane.msi SHA256SUMS policy msi-files msi-tables)
file(MAKE_DIRECTORY Korvane)
file(COPY_FILE "${EXE}" Korvane/Korvane.exe)
execute_process(COMMAND bash "${SOURCE}/cmake/sign.sh" Korvane/Korvane.exe COMMAND_ERROR_IS_FATAL ANY)

# Windows users read the texts with Notepad and reg.exe: CRLF line ends.
function(copy_crlf from to)
  file(READ "${from}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${to}" "${text}")
endfunction()
copy_crlf("${SOURCE}/docs/user-guide.txt" Korvane/USER-GUIDE.txt)
copy_crlf("${SOURCE}/installer/korvane-settings.example.reg" Korvane/korvane-settings.example.reg)
# The Group Policy templates, laid out as PolicyDefinitions holds them; administrators
# who take only the installer find them beside it too.
set(templates policy/Korvane.admx policy/en-US/Korvane.adml)
foreach(template ${templates})
  copy_crlf("${SOURCE}/${template}" Korvane/${template})
endforeach()
file(COPY Korvane/policy DESTINATION .)

# The installer. Its product code follows the release number, so each release upgrades
# the ones before it; wixl draws a random package code and stamps the build time, both
# replaced below.
set(upgrade_code 6E1D7A52-3C0B-4F7E-9A41-2B8C5D0F4E13)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "Korvane ${RELEASE}" TYPE SHA1 UPPER)
file(MAKE_DIRECTORY msi-files msi-tables)
file(COPY_FILE Korvane/Korvane.exe msi-files/Korvane.exe)
file(COPY_FILE "${CLOSE_AGENT}" msi-files/close_agent.dll)
# The cabinet keeps the file's time.
execute_process(COMMAND touch -d ${fixed_time} msi-files/Korvane.exe COMMAND_ERROR_IS_FATAL ANY)
# The bench's x86-64 twin gets an x64 package, as its program and custom actions are.
if(NOT DEFINED MSI_ARCH)
  set(MSI_ARCH x86)
endif()
execute_process(COMMAND wixl -a ${MSI_ARCH} -D Version=${RELEASE} -D ProductCode=${product_code}
                        -D UpgradeCode=${upgrade_code} -o ../Korvane.msi
                        "${SOURCE}/installer/korvane.wxs"
                WORKING_DIRECTORY msi-files COMMAND_ERROR_IS_FATAL ANY)
# What wixl cannot say: the autostart part's condition; the Programs folder's removal; a
# rollback action (1345: a DLL's, in the script, run only on rollback, its result ignored);
# the settings key removed on uninstall (Wine's installer drops the emptied parent key as
# well); an upgrade that installs the new release before it removes the old one, so the parts
# both share, the settings key among them, stay (release 1.0.0.4 deletes that key when its
# program part really goes); and a file version that follows the release number, as the
# program's own stays 1.0.0.4: Windows replaces a versioned file only with a newer one.
execute_process(COMMAND msibuild Korvane.msi
  -q "UPDATE `InstallExecuteSequence` SET `Sequence`=6601 WHERE `Action`='RemoveExistingProducts'"
  -q "UPDATE `Component` SET `Condition`='AUTOSTART=1' WHERE `Component`='Autostart'"
  -q "UPDATE `RemoveFile` SET `DirProperty`='UserPrograms' WHERE `FileKey`='RemoveUserPrograms'"
  -q "UPDATE `CustomAction` SET `Type`=1345 WHERE `Action`='RememberAutostart'"
  -q "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) VALUES ('RemoveSettings', 1, 'SOFTWARE\\Tessmark\\Korvane', '-', 'Program')"
  -q "UPDATE `File` SET `Version`='${RELEASE}.0' WHERE `File`='KorvaneExe'"
  -q "DELETE FROM `MsiFileHash` WHERE `File_`='KorvaneExe'"
  COMMAND_ERROR_IS_FATAL ANY)
# The package code follows the whole package: taken from its bytes with a fixed code and
# the fixed dates in place, then written in.
function(set_summary package_code)
  execute_process(COMMAND msidump -d . ../Korvane.msi WORKING_DIRECTORY msi-tables
                  COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
  file(READ msi-tables/_SummaryInformation.idt summary)
  string(REGEX REPLACE "\n9\t[^\n]*" "\n9\t{${package_code}}" summary "${summary}")
  string(REGEX REPLACE "\n(1[23])\t[^\n]*" "\n\\1\t2009/05/11 00:00:00" summary "${summary}")
  file(WRITE msi-tables/_SummaryInformation.idt "${summary}")
  execute_process(COMMAND msibuild Korvane.msi -i msi-tables/_SummaryInformation.idt
                  COMMAND_ERROR_IS_FATAL ANY)
endfunction()
set_summary(00000000-0000-0000-0000-000000000000)
file(SHA256 Korvane.msi msi_hash)
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${msi_hash}" TYPE SHA1 UPPER)
set_summary(${package_code})
file(REMOVE_RECURSE msi-files msi-tables)
execute_process(COMMAND bash "${SOURCE}/cmake/sign.sh" Korvane.msi COMMAND_ERROR_IS_FATAL ANY)

# Each SHA256SUMS covers the files of its folder, by their path from there, as
# sha256sum -c reads them.
function(write_sums folder)
  set(sums "")
  foreach(name ${ARGN})
    file(SHA256 "${folder}/${name}" hash)
    string(APPEND sums "${hash}  ${name}\r\n")
  endforeach()
  file(WRITE "${folder}/SHA256SUMS" "${sums}")
endfunction()
set(shipped Korvane.exe USER-GUIDE.txt korvane-settings.example.reg ${templates})
write_sums(Korvane ${shipped})

find_program(PYTHON3 python3 REQUIRED)
list(TRANSFORM shipped PREPEND Korvane/)
execute_process(COMMAND "${PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/make_zip.py" Korvane.zip
                        ${shipped} Korvane/SHA256SUMS
                COMMAND_ERROR_IS_FATAL ANY)
write_sums(. Korvane.zip Korvane.msi ${templates})
