#include "platform/logon_tasks.h"

namespace sorvane::platform {

namespace {

// Text as XML character data or attribute value.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

void element(std::string& xml, std::string_view indent, std::string_view name, std::string_view value) {
    xml += indent;
    xml += '<';
    xml += name;
    xml += '>';
    xml += escaped(value);
    xml += "</";
    xml += name;
    xml += ">\r\n";
}

}  // namespace

std::string LogonTaskXml(const LogonTask& task) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                      "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
                      "  <RegistrationInfo>\r\n";
    if (!task.author.empty()) element(xml, "    ", "Author", task.author);
    if (!task.description.empty()) element(xml, "    ", "Description", task.description);
    xml += "  </RegistrationInfo>\r\n"
           "  <Triggers>\r\n"
           "    <LogonTrigger>\r\n"
           "      <Enabled>true</Enabled>\r\n";
    element(xml, "      ", "UserId", task.userId);
    xml += "    </LogonTrigger>\r\n"
           "  </Triggers>\r\n"
           "  <Principals>\r\n"
           "    <Principal id=\"Author\">\r\n";
    element(xml, "      ", "UserId", task.userId);
    xml += "      <LogonType>InteractiveToken</LogonType>\r\n";
    element(xml, "      ", "RunLevel", task.highestRights ? "HighestAvailable" : "LeastPrivilege");
    xml += "    </Principal>\r\n"
           "  </Principals>\r\n"
           "  <Settings>\r\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
           "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
           "    <AllowHardTerminate>true</AllowHardTerminate>\r\n"
           "    <StartWhenAvailable>false</StartWhenAvailable>\r\n"
           "    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
           "    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
           "    <Enabled>true</Enabled>\r\n"
           "    <Hidden>false</Hidden>\r\n"
           "    <RunOnlyIfIdle>false</RunOnlyIfIdle>\r\n"
           "    <WakeToRun>false</WakeToRun>\r\n"
           // The program runs for the whole session: no time limit ends it.
           "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
           // A task's default priority (7) would start it below normal, a window the user works in.
           "    <Priority>5</Priority>\r\n"
           "  </Settings>\r\n"
           "  <Actions Context=\"Author\">\r\n"
           "    <Exec>\r\n";
    element(xml, "      ", "Command", task.command);
    if (!task.arguments.empty()) element(xml, "      ", "Arguments", task.arguments);
    xml += "    </Exec>\r\n"
           "  </Actions>\r\n"
           "</Task>\r\n";
    return xml;
}

}  // namespace sorvane::platform
