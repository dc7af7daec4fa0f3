#pragma once
#include "app/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::app {

// The invisible, zero-size window that opens "Help.chm" once.
class Form8 : public ui::Form {
public:
    explicit Form8(Application& app);

protected:
    void Form_Load() override;

private:
    Application& app_;
};

// An empty hidden window loaded at start.
class FrmHidden : public ui::Form {
public:
    explicit FrmHidden(Application& app);
};

// "About": product, company, version and web site from the version resource.
class FrmAbout : public ui::Form {
public:
    explicit FrmAbout(Application& app);

    static const ui::FormLayout Layout;

    ui::Label& productLabel;  // "Label1"
    ui::Label& companyLabel;  // "lblCompany"
    ui::Label& versionLabel;  // "lblVersion"
    ui::Label& websiteLabel;  // "lblWebsite"

protected:
    void Form_Load() override;

private:
    Application& app_;
};

}  // namespace sorvane::app
